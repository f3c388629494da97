#include "app/login_form.h"

#include "app/connection.h"
#include "app/image_list.h"
#include "app/prompt_service.h"
#include "data_module/end_year_data_mod.h"
#include "platform/ini_profile.h"
#include "platform/program_dir.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TLoginForm* LoginForm = nullptr;

namespace {
QString g_shortDateFormat;

// Shows "*" for every character of a password field.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
        QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter)
            return u'*';
        if (hint == QStyle::SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

const QString SettingsFile = QStringLiteral("jwcw.ini");
}

QString shortDateFormat() { return g_shortDateFormat; }
void setShortDateFormat(const QString& format) { g_shortDateFormat = format; }

TLoginForm::TLoginForm(TEndYearDataMod& dm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      ztmc(new QComboBox(this)), Edit1(new QLineEdit(this)), Edit2(new QLineEdit(this)),
      BitBtn1(new QPushButton(QStringLiteral(" 确认(&O)"), this)),
      BitBtn2(new QPushButton(QStringLiteral("取消(&C)"), this)), ListBox1(new QListWidget(this))
{
    m_connect = [&dm](const QString& user, const QString& password, const QString& file, const QString& set,
                    bool fromLogin) { return ConnectAccountSet(dm, user, password, file, set, fromLogin); };

    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(QStringLiteral("系统登录"));

    ztmc->setObjectName(QStringLiteral("ztmc"));
    ztmc->setEditable(true);
    ztmc->setInsertPolicy(QComboBox::NoInsert);
    ztmc->lineEdit()->setReadOnly(true);
    ztmc->setMinimumWidth(200);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setEchoMode(QLineEdit::Password);
    auto* stars = new StarPasswordStyle;
    stars->setParent(Edit2);
    Edit2->setStyle(stars);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    for (QPushButton* b : {BitBtn1, BitBtn2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->hide();

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(loginPicture());
    picture->setAlignment(Qt::AlignCenter);

    auto* fields = new QGridLayout;
    const struct {
        const char16_t* text;
        QWidget* buddy;
        const char* name;
    } labels[] = {{u"帐套(&T)：", ztmc, "Label1"}, {u"用户(&U)：", Edit1, "Label2"}, {u"口令(&P)：", Edit2, "Label3"}};
    int row = 0;
    for (const auto& l : labels) {
        auto* label = new QLabel(QString::fromUtf16(l.text), this);
        label->setObjectName(QLatin1String(l.name));
        label->setBuddy(l.buddy);
        fields->addWidget(label, row, 0);
        fields->addWidget(l.buddy, row, 1);
        ++row;
    }
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(8);
    top->addLayout(fields, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(ztmc, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(BitBtn1, &QPushButton::clicked, this, &TLoginForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    // The window sees every key before the focused control.
    qApp->installEventFilter(this);
}

TLoginForm::~TLoginForm()
{
    if (LoginForm == this)
        LoginForm = nullptr;
}

QString TLoginForm::accountSetEntry(const QString& numberText, const QString& displayName)
{
    const qsizetype pad = qMax<qsizetype>(0, 3 - numberText.size());
    return QString(pad, u'0') + numberText.trimmed() + QStringLiteral("    ") + displayName;
}

void TLoginForm::addSorted(const QString& entry)
{
    int at = 0;
    while (at < ztmc->count() && ztmc->itemText(at).compare(entry, Qt::CaseInsensitive) <= 0)
        ++at;
    ztmc->insertItem(at, entry);
}

void TLoginForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TLoginForm::FormShow()
{
    setShortDateFormat(QStringLiteral("yyyyMMdd"));
    const QString path = programFile(SettingsFile);
    if (!QFileInfo::exists(path)) {
        prompts().message(QStringLiteral("不能找到配置文件  jwcw.ini!"), QStringLiteral("错误 "), PromptIcon::Error,
            PromptButtons::Ok);
        return;
    }
    const IniProfile settings = IniProfile::load(path);
    ListBox1->clear();
    ListBox1->addItems(settings.sections());
    ztmc->clear();
    ztmc->setEditText(QString());

    const QString last = settings.value(QStringLiteral("BBLAST"), QStringLiteral("ztbh"));
    QString chosen;
    bool found = false;
    for (int i = 0; i < ListBox1->count(); ++i) {
        const QString section = ListBox1->item(i)->text();
        if (!section.startsWith(QLatin1String("sqlca"), Qt::CaseSensitive))
            continue;
        const QString number = section.mid(5);
        const QString entry =
            accountSetEntry(number, settings.value(section, QStringLiteral("ztname"), QStringLiteral("演示")));
        addSorted(entry);
        if (last == number) {
            chosen = entry;
            found = true;
        }
    }
    if (found)
        ztmc->setCurrentIndex(ztmc->findText(chosen));
    else
        ztmc->setCurrentIndex(-1);
    ztmc->setEditText(chosen);

    Edit1->setText(settings.value(QStringLiteral("BBLAST"), QStringLiteral("user")));
    Edit2->clear();
    Edit1->setFocus();
}

void TLoginForm::BitBtn1Click()
{
    const QString error = m_connect(Edit1->text(), Edit2->text(), SettingsFile, ztmc->currentText(), true);
    if (error.isEmpty()) {
        accept();
        return;
    }
    prompts().message(error, QStringLiteral("Warning"), PromptIcon::Warning, PromptButtons::Ok);
}

bool TLoginForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this || !isVisible())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    focusNextChild();
    QWidget* now = focusWidget();
    if (now && now->objectName() == QLatin1String("BitBtn1"))
        BitBtn1->click();
    return true;
}
