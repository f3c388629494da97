#pragma once
#include <QHash>
#include <QMainWindow>
#include <functional>

class QAction;
class QMdiArea;
class QMenu;
class QToolBar;
class QToolButton;
class TEndYearDataMod;

// Creates a function window owned by the main window. The main window shows it modally
// and frees it when it closes.
using FunctionFactory = std::function<QDialog*(QWidget* owner)>;
// Menu entry name (MnOptiBB, N2, mnCount, ...) -> factory. Entries without a factory
// are shown disabled.
using DispatchTable = QHash<QString, FunctionFactory>;

// The frame of the running program: the menu "功能" and the tool bar open the function
// windows; the two cleanup entries first prepare the connection state for the wizard.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    TMainForm(TEndYearDataMod& dm, DispatchTable table, QWidget* parent = nullptr);

    // Menu entry names in menu order (all thirteen).
    static QStringList menuEntryNames();

    QMdiArea* ClientArea;
    QMenu* mnTabCount;
    QToolBar* ToolBar1;
    QAction* action(const QString& menuEntryName) const { return m_actions.value(menuEntryName); }
    QToolButton* toolButton(const QString& name) const;

    // The window a handler opened last, while it is shown (nullptr otherwise).
    QDialog* openWindow() const { return m_open; }

public slots:
    void MnOptiBBClick();
    void MnOptiHZClick();
    void ReDefBtnClick();
    void ReIndexBtnClick();
    void MnDropTempClick();
    void DelBBEXmnuClick();
    void mnuCheckClick();
    void N3Click();
    void RegMnuClick();
    void mnJS2JYClick();
    void mnAnyClick();
    void mnCountClick();
    void mnRestoreClick();
    void CloseMenuClick();

private:
    void openFunction(const QString& name, const QString& caption = {});
    void buildMenu();
    void buildToolBar();

    TEndYearDataMod& m_dm;
    DispatchTable m_table;
    QHash<QString, QAction*> m_actions;
    QDialog* m_open = nullptr;
};

// The main window, created once at start-up.
extern TMainForm* MainForm;
