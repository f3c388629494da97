#pragma once
#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TEndYearDataMod;

// The short date format of the program ("yyyyMMdd" once the login window has shown).
QString shortDateFormat();
void setShortDateFormat(const QString& format);

// The login window: an account set from jwcw.ini, a user code and a password; OK opens
// the two-step connection and closes the window only when it succeeded.
class TLoginForm : public QDialog {
    Q_OBJECT
public:
    // The connection attempt (user code, password, settings file, account-set text,
    // from-login flag) returning an error text; ConnectAccountSet on dm by default.
    using Connector = std::function<QString(const QString&, const QString&, const QString&, const QString&, bool)>;

    explicit TLoginForm(TEndYearDataMod& dm, QWidget* parent = nullptr);
    ~TLoginForm() override;
    void setConnector(Connector connector) { m_connect = std::move(connector); }

    QComboBox* ztmc;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QListWidget* ListBox1;

    // The entry of an account set: number padded to three digits, four blanks, name.
    static QString accountSetEntry(const QString& numberText, const QString& displayName);

public slots:
    void FormShow();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addSorted(const QString& entry);

    Connector m_connect;
};

// The login window, created when start-up needs it.
extern TLoginForm* LoginForm;
