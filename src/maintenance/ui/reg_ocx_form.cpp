#include "maintenance/ui/reg_ocx_form.h"

#include "app/folder_picker.h"
#include "app/prompt_service.h"
#include "maintenance/control_registration.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPlainTextEdit* noteMemo(QWidget* parent, const QString& name, const QStringList& lines)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    memo->setFocusPolicy(Qt::NoFocus);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // In the window colour.
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, parent->palette().color(QPalette::Window));
    memo->setPalette(palette);
    return memo;
}
}

TRegOCXForm::TRegOCXForm(TEndYearDataMod& dataModule, QWidget* owner)
    : FunctionWindow(dataModule, owner)
{
    setObjectName(QStringLiteral("RegOCXForm"));
    setWindowTitle(QStringLiteral("控件注册"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(400, 300);

    Memo1 = noteMemo(this, QStringLiteral("Memo1"),
        {QStringLiteral("    控件注册用来解决报表系统登录时或打开报表"), QStringLiteral("时提示'未知界面'、'找不到指定模块'等问题。"),
            QStringLiteral("    系统将自动对DBClient.dll、STDVCL40.dll、"),
            QStringLiteral("TTF16.ocx、TTFi6.ocx、Gif89.dll、CELL32.ocx、"), QStringLiteral("oleaut32.dll进行注册。")});
    Memo2 = noteMemo(this, QStringLiteral("Memo2"),
        {QStringLiteral("    如果注册后问题仍然存在，可能是由于上述"), QStringLiteral("文件不在管理软件目录下，请选择文件所在文"),
            QStringLiteral("件夹后重新注册。")});

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::StyledPanel);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Label1 = new QLabel(QStringLiteral("选择文件夹"), Bevel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    DirEdit = new QLineEdit(Bevel1);
    DirEdit->setObjectName(QStringLiteral("DirEdit"));
    Label1->setBuddy(DirEdit);
    Button1 = new QPushButton(QStringLiteral("..."), Bevel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button1->setFixedWidth(Button1->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);
    addRunWidget(DirEdit);
    addRunWidget(Button1);
    connect(Button1, &QPushButton::clicked, this, &TRegOCXForm::Button1Click);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(Label1);
    folderRow->addWidget(DirEdit, 1);
    folderRow->addWidget(Button1);
    auto* bevelLayout = new QVBoxLayout(Bevel1);
    bevelLayout->addWidget(Memo1);
    bevelLayout->addWidget(Memo2);
    bevelLayout->addLayout(folderRow);

    RegBtn = addRunButton(QStringLiteral("RegBtn"), QStringLiteral("注册"), [this] {
        ControlRegistrationJob(jobContext(), {.folder = DirEdit->text()}).run();
    });
    RegBtn->setDefault(true);
    CloseBtn = addCloseButton(QStringLiteral("CloseBtn"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Bevel1, 1);
    layout->addLayout(buttonRow());
}

void TRegOCXForm::Button1Click()
{
    QString folder;
    if (PickFolder(prompts(), QString(), folder))
        DirEdit->setText(folder);
}
