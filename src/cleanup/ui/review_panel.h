#pragma once
#include "cleanup/data_classes.h"
#include "cleanup/review.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <array>
#include <functional>

class QCheckBox;
class QPushButton;
class QTabWidget;
class QTableView;
class QToolButton;

// A review grid's rows: the review query's rows in the columns of the grid.
class ReviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ReviewModel(CachedQuery& query, QList<ReviewColumn> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The query's rows have changed (opened, deleted, reopened).
    void reload();
    const QList<ReviewColumn>& columns() const { return m_columns; }

private:
    CachedQuery& m_query;
    QList<ReviewColumn> m_columns;
    QList<int> m_map;   // grid column -> query column
};

// One tab of the review: grid, navigator and the buttons of its class.
struct ReviewTab {
    DataClassId id;
    QWidget* tab = nullptr;          // TabHZD ..
    QTableView* grid = nullptr;      // DBGHZD ..
    ReviewModel* model = nullptr;
    QToolButton* first = nullptr;
    QToolButton* prior = nullptr;
    QToolButton* next = nullptr;
    QToolButton* last = nullptr;
    QPushButton* del = nullptr;      // BtnDelHZD .. "删除(&E)"
    QPushButton* check = nullptr;    // BtnCheckHZD .. "检查(&K)"
    QPushButton* empty = nullptr;    // BtnTruncateHZD .. "清空(&T)"
};

// The review tabs of page Step4 (PageOpti). Every operation runs as one step of the
// wizard through runStep, which keeps two steps from running at once.
class ReviewPanel : public QWidget {
    Q_OBJECT
public:
    using StepRunner = std::function<void(const std::function<void()>&)>;
    ReviewPanel(Review& review, QCheckBox* warning, StepRunner runStep, QWidget* parent = nullptr);

    QTabWidget* PageOpti;
    ReviewTab& tab(DataClassId id) { return m_tabs.at(static_cast<size_t>(static_cast<int>(id) - 1)); }

    void hideAllTabs();
    // After the review was prepared: shows the tabs of these classes and makes the first active.
    void showTabs(const QList<DataClassId>& classes);
    // The buttons that must not start a step while one runs.
    QList<QWidget*> stepWidgets() const;

    // The grid's current row, -1 without one.
    int currentRow(DataClassId id) const;
    void setCurrentRow(DataClassId id, int row);

    // Handlers (also used by tests as a user's click would).
    void BtnDelClick(DataClassId id);
    void BtnCheckClick(DataClassId id);
    void BtnTruncateHZDClick(DataClassId id);
    void DBGDYZDDblClick(DataClassId id);

private:
    void buildTab(DataClassId id, const QString& caption);
    void reload(DataClassId id, int keepRow);

    Review& m_review;
    QCheckBox* m_warning;
    StepRunner m_runStep;
    std::array<ReviewTab, 5> m_tabs;
};
