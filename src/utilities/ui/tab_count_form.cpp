#include "utilities/ui/tab_count_form.h"

#include "app/prompt_service.h"
#include "app/report_memo.h"
#include "app/system_year_choice.h"
#include "utilities/record_statistics.h"
#include "utilities/report_compare.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TFrmTabCount::TFrmTabCount(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("FrmTabCount"));
    setWindowTitle(QStringLiteral("分模块数据表记录数统计"));
    resize(520, 400);

    auto* layout = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(Pages);

    auto* countPage = new QWidget;
    countPage->setObjectName(QStringLiteral("TabCount"));
    auto* countLayout = new QVBoxLayout(countPage);
    auto* heading = new QLabel(QStringLiteral("说    明"), countPage);
    heading->setObjectName(QStringLiteral("Label2"));
    auto* note = new QLabel(QStringLiteral(
        "    本功能统计出各个模块所使用数据表的记录数，可作为年结前后数据检查的依据。年结前执行当前年度统计，"
        "将形成的报告保存；年结后执行历史年度统计，形成的报告与前报告进行对比可以分析出是否出现数据丢失。"
        "统计结果不适用于物流各个模块。"), countPage);
    note->setObjectName(QStringLiteral("Label1"));
    note->setWordWrap(true);
    YearChoice = new SystemYearChoice(QString(), countPage);
    addRunWidget(YearChoice);
    countLayout->addWidget(heading);
    countLayout->addWidget(note);
    auto* row = new QHBoxLayout;
    row->addWidget(YearChoice);
    row->addStretch();
    auto* buttons = new QVBoxLayout;
    BtnDropTemp = addRunButton(QStringLiteral("BtnDropTemp"), QStringLiteral("统计"), [this] {
        RecordStatisticsJob(jobContext(), {.yearSuffix = YearChoice->yearSuffix()}, *CountMemo).run();
    }, buttons);
    BtnCompare = addRunButton(QStringLiteral("BtnCompare"), QStringLiteral("对比报告"), [this] {
        BtnCompareClick();
    }, buttons);
    BtnClose = addCloseButton(QStringLiteral("BtnClose"), QStringLiteral("关闭"), buttons);
    buttons->addStretch();
    row->addLayout(buttons);
    countLayout->addLayout(row);
    countLayout->addStretch();
    Pages->addTab(countPage, QStringLiteral("统计"));

    CountMemo = addReportPage(Pages, QStringLiteral("TabReport"), QStringLiteral("报告"), QStringLiteral("CountMemo"));
    CountMemo->setReadOnly(false);

    auto* comparePage = new QWidget;
    comparePage->setObjectName(QStringLiteral("TabCompare"));
    auto* compareLayout = new QVBoxLayout(comparePage);
    CompareGrid = new QTableWidget(0, 6, comparePage);
    CompareGrid->setObjectName(QStringLiteral("CompareGrid"));
    CompareGrid->setHorizontalHeaderLabels({QStringLiteral("模块"), QStringLiteral("表名"), QStringLiteral("报告一"),
        QStringLiteral("报告二"), QStringLiteral("差额"), QStringLiteral("说明")});
    CompareGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CompareGrid->verticalHeader()->hide();
    CompareGrid->horizontalHeader()->setStretchLastSection(true);
    compareLayout->addWidget(CompareGrid);
    auto* compareButtons = new QHBoxLayout;
    compareButtons->addStretch();
    BtnSaveCompare = addRunButton(QStringLiteral("BtnSaveCompare"), QStringLiteral("保存对比"), [this] {
        BtnSaveCompareClick();
    }, compareButtons);
    compareLayout->addLayout(compareButtons);
    Pages->addTab(comparePage, QStringLiteral("对比"));

    mnSave = new QAction(QStringLiteral("保存"), this);
    mnSave->setObjectName(QStringLiteral("mnSave"));
    mnClear = new QAction(QStringLiteral("清除"), this);
    mnClear->setObjectName(QStringLiteral("mnClear"));
    CountMemo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(CountMemo, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(CountMemo);
        menu.setObjectName(QStringLiteral("PopupMenu1"));
        menu.addAction(mnSave);
        menu.addAction(mnClear);
        menu.exec(CountMemo->mapToGlobal(at));
    });

    connect(mnSave, &QAction::triggered, this, &TFrmTabCount::mnSaveClick);
    connect(mnClear, &QAction::triggered, this, &TFrmTabCount::mnClearClick);

    addRunAction(mnSave);
    addRunAction(mnClear);
}

void TFrmTabCount::mnSaveClick()
{
    const QString fileName = prompts().saveFileName(QStringLiteral("TXT"), QStringLiteral("文本文件 (*.TXT)"));
    if (fileName.isEmpty())
        return;
    const QString error = saveReportFile(fileName, CountMemo->lines());
    if (!error.isEmpty())
        prompts().message(QStringLiteral("统计报告未能保存到文件") + QDir::toNativeSeparators(fileName)
                + QStringLiteral("：") + error,
            QStringLiteral("提示"), PromptIcon::Error, PromptButtons::Ok);
}

void TFrmTabCount::mnClearClick() { CountMemo->clear(); }


bool TFrmTabCount::readReport(const QString& caption, QStringList& lines, QString& title)
{
    const QString fileName = prompts().openFileName(caption, QStringLiteral("文本文件 (*.TXT *.txt);;所有文件 (*)"));
    if (fileName.isEmpty())
        return false;
    const QString error = readReportFile(fileName, lines);
    if (!error.isEmpty()) {
        prompts().message(QStringLiteral("统计报告未能从文件") + QDir::toNativeSeparators(fileName)
                + QStringLiteral("读出：") + error,
            QStringLiteral("提示"), PromptIcon::Error, PromptButtons::Ok);
        return false;
    }
    title = QFileInfo(fileName).fileName();
    return true;
}

void TFrmTabCount::BtnCompareClick()
{
    QStringList first, second;
    QString firstTitle, secondTitle;
    bool memoSecond = false;
    if (!CountMemo->lines().isEmpty()) {
        const PromptAnswer answer = prompts().message(
            QStringLiteral("是否将当前报告与一份已保存的报告对比？\n选“是”：已保存的报告为报告一，当前报告为报告二；"
                           "选“否”：打开两份已保存的报告。"),
            QStringLiteral("提示"), PromptIcon::Question, PromptButtons::YesNoCancel);
        if (answer == PromptAnswer::Cancel)
            return;
        memoSecond = answer == PromptAnswer::Yes;
    }
    if (!readReport(QStringLiteral("打开报告一"), first, firstTitle))
        return;
    if (memoSecond) {
        second = CountMemo->lines();
        secondTitle = QStringLiteral("当前报告");
    } else if (!readReport(QStringLiteral("打开报告二"), second, secondTitle)) {
        return;
    }
    const ReportComparison comparison = compareCountReports(parseCountReport(first), parseCountReport(second));
    CompareLines = comparisonLines(comparison, firstTitle, secondTitle);
    showComparison(comparison);
    Pages->setCurrentWidget(CompareGrid->parentWidget());
}

void TFrmTabCount::showComparison(const ReportComparison& comparison)
{
    static const QColor changed(255, 205, 205);
    static const QColor oneOnly(255, 240, 180);
    CompareGrid->setRowCount(0);
    const auto addRow = [this](const QStringList& cells, const QColor& colour, bool bold) {
        const int row = CompareGrid->rowCount();
        CompareGrid->insertRow(row);
        for (int col = 0; col < cells.size(); ++col) {
            auto* item = new QTableWidgetItem(cells.at(col));
            if (col >= 2 && col <= 4)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (colour.isValid())
                item->setBackground(colour);
            if (bold) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
            CompareGrid->setItem(row, col, item);
        }
    };
    const auto count = [](const std::optional<qint64>& c, bool present) {
        return !present ? QString() : c ? QString::number(*c) : QStringLiteral("无历史表");
    };
    for (const ModuleTotal& total : comparison.totals) {
        for (const ComparedTable& t : comparison.tables) {
            if (t.module != total.module || t.state == CompareState::Equal)
                continue;
            QString difference, note;
            QColor colour = changed;
            switch (t.state) {
            case CompareState::Changed:
                if (t.first && t.second)
                    difference = signedDifference(*t.second - *t.first);
                note = QStringLiteral("记录数不同");
                break;
            case CompareState::FirstOnly:
                note = QStringLiteral("仅报告一有");
                colour = oneOnly;
                break;
            case CompareState::SecondOnly:
                note = QStringLiteral("仅报告二有");
                colour = oneOnly;
                break;
            case CompareState::Equal:
                break;
            }
            addRow({t.module, t.table, count(t.first, t.inFirst), count(t.second, t.inSecond), difference, note},
                colour, false);
        }
        const bool differs = total.first != total.second;
        addRow({total.module, QStringLiteral("合计"), QString::number(total.first), QString::number(total.second),
                   signedDifference(total.second - total.first), QString()},
            differs ? changed : QColor(), true);
    }
    CompareGrid->resizeColumnsToContents();
}

void TFrmTabCount::BtnSaveCompareClick()
{
    if (CompareLines.isEmpty()) {
        prompts().information(QStringLiteral("还没有对比结果，请先对比报告。"));
        return;
    }
    const QString fileName = prompts().saveFileName(QStringLiteral("TXT"), QStringLiteral("文本文件 (*.TXT)"));
    if (fileName.isEmpty())
        return;
    const QString error = saveReportFile(fileName, CompareLines);
    if (!error.isEmpty())
        prompts().message(QStringLiteral("对比报告未能保存到文件") + QDir::toNativeSeparators(fileName)
                + QStringLiteral("：") + error,
            QStringLiteral("提示"), PromptIcon::Error, PromptButtons::Ok);
}
