#pragma once
#include "app/function_window.h"
#include "maintenance/maintenance_settings.h"
#include "maintenance/schema_rebuild.h"

class QFrame;
class QPushButton;
class QSplitter;
class QTabWidget;
class QWidget;
class ReportMemo;
class SystemYearChoice;
class TEndYearDataMod;

// The layout the index and the default-value rebuild share: a page with both systems'
// choices and the buttons, and the report page with one memo per system.
class RebuildForm : public FunctionWindow {
    Q_OBJECT
public:
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QFrame* Bevel1 = nullptr;
    SystemYearChoice* BBChoice = nullptr;
    SystemYearChoice* HZChoice = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* CloseButton = nullptr;
    ReportMemo* BBRebuildMemo = nullptr;
    QSplitter* Splitter1 = nullptr;
    ReportMemo* HZRebuildMemo = nullptr;

protected:
    // caption: the window's and the first page's caption.
    RebuildForm(TEndYearDataMod& dataModule, QWidget* owner, const QString& caption);
    // The run button "重建" and the close button in the bottom panel; returns the run button.
    QPushButton* addButtons(const QString& objectName, std::function<void()> action);
    RebuildOptions options() const;
};

// 索引重建
class TReIndexForm : public RebuildForm {
    Q_OBJECT
public:
    explicit TReIndexForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    QPushButton* ReIndexButton = nullptr;
    // As read at creation.
    const IndexLists& indexes() const { return m_indexes; }

private:
    IndexLists m_indexes;
};

// 默认值重建
class TReDefaForm : public RebuildForm {
    Q_OBJECT
public:
    explicit TReDefaForm(TEndYearDataMod& dataModule, QWidget* owner = nullptr);

    QPushButton* ReDefButton = nullptr;
    const DefaultLists& defaults() const { return m_defaults; }

private:
    DefaultLists m_defaults;
};
