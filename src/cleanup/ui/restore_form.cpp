#include "cleanup/ui/restore_form.h"

#include "app/prompt_service.h"
#include "app/report_memo.h"
#include "cleanup/write_back_backup.h"
#include "cleanup/write_back_restore.h"
#include "data_module/report_system.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

TRestoreForm::TRestoreForm(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner), m_folder(WriteBackBackup::defaultFolder())
{
    setObjectName(QStringLiteral("RestoreForm"));
    setWindowTitle(QStringLiteral("重复数据清理写回恢复"));
    resize(800, 440);

    auto* layout = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(Pages);

    auto* listPage = new QWidget;
    listPage->setObjectName(QStringLiteral("TabBackups"));
    auto* listLayout = new QVBoxLayout(listPage);
    auto* note = new QLabel(QStringLiteral(
        "    重复数据清理在写回主表前，把将被替换的主表数据备份到程序目录的backups文件夹。"
        "选中一个备份后点击“恢复”，可将主表中这些关键字的数据恢复为清理前的样子。"), listPage);
    note->setObjectName(QStringLiteral("Label1"));
    note->setWordWrap(true);
    listLayout->addWidget(note);
    FolderLabel = new QLabel(listPage);
    FolderLabel->setObjectName(QStringLiteral("FolderLabel"));
    FolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    listLayout->addWidget(FolderLabel);
    BackupGrid = new QTableWidget(0, 6, listPage);
    BackupGrid->setObjectName(QStringLiteral("BackupGrid"));
    BackupGrid->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("帐套"), QStringLiteral("系统"),
        QStringLiteral("数据类"), QStringLiteral("行数"), QStringLiteral("文件")});
    BackupGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    BackupGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    BackupGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    BackupGrid->verticalHeader()->hide();
    BackupGrid->horizontalHeader()->setStretchLastSection(true);
    addRunWidget(BackupGrid);
    listLayout->addWidget(BackupGrid);
    Pages->addTab(listPage, QStringLiteral("备份"));
    RestoreMemo = addReportPage(Pages, QStringLiteral("TabReport"), QStringLiteral("恢复报告"), QStringLiteral("RestoreMemo"));

    BtnRefresh = addRunButton(QStringLiteral("BtnRefresh"), QStringLiteral("刷新"), [this] { refresh(); });
    BtnRestore = addRunButton(QStringLiteral("BtnRestore"), QStringLiteral("恢复"), [this] { BtnRestoreClick(); });
    BtnClose = addCloseButton();
    BtnRestore->setDefault(true);
    layout->addLayout(buttonRow());
    refresh();
}

void TRestoreForm::setFolder(const QString& folder)
{
    m_folder = folder;
    refresh();
}

void TRestoreForm::refresh()
{
    FolderLabel->setText(QStringLiteral("备份目录：") + QDir::toNativeSeparators(m_folder));
    m_backups = WriteBackBackup::list(m_folder);
    BackupGrid->setRowCount(0);
    for (const BackupInfo& b : m_backups) {
        QStringList classes;
        for (const BackupClass& c : b.classes)
            classes << c.className;
        const QStringList cells{b.created.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), b.accountSet,
            systemCaption(systemOfSelector(b.system)),
            classes.join(QStringLiteral("、")), QString::number(b.rows()), QFileInfo(b.fileName).fileName()};
        const int row = BackupGrid->rowCount();
        BackupGrid->insertRow(row);
        for (int col = 0; col < cells.size(); ++col)
            BackupGrid->setItem(row, col, new QTableWidgetItem(cells.at(col)));
        BackupGrid->item(row, cells.size() - 1)->setToolTip(QDir::toNativeSeparators(b.fileName));
    }
    BackupGrid->resizeColumnsToContents();
    if (!m_backups.isEmpty())
        BackupGrid->selectRow(0);
}

void TRestoreForm::BtnRestoreClick()
{
    const int row = BackupGrid->currentRow();
    if (row < 0 || row >= m_backups.size()) {
        prompts().information(QStringLiteral("请先选择一个备份。"));
        return;
    }
    const BackupInfo& b = m_backups.at(row);
    if (!prompts().confirm(QStringLiteral("将按备份") + QFileInfo(b.fileName).fileName()
                + QStringLiteral("恢复主表中这些关键字的数据，是否继续？"),
            QStringLiteral("警告"), PromptIcon::Warning))
        return;
    Pages->setCurrentIndex(1);
    RestoreMemo->clear();
    WriteBackRestoreJob(jobContext(), *RestoreMemo).run(b.fileName);
}
