#include "cleanup/ui/review_panel.h"

#include "cleanup/ui/review_hint.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

void initCleanupResources();

ReviewModel::ReviewModel(CachedQuery& query, QList<ReviewColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_query(query), m_columns(std::move(columns))
{
}

int ReviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_query.active() ? 0 : m_query.rowCount();
}

int ReviewModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns.size(); }

QVariant ReviewModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || !m_query.active() || index.row() >= m_query.rowCount())
        return {};
    const int c = m_map.value(index.column(), -1);
    return c < 0 ? QVariant() : QVariant(m_query.text(index.row(), c));
}

QVariant ReviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_columns.size() ? QVariant(m_columns.at(section).caption) : QVariant();
    return QVariant();
}

void ReviewModel::reload()
{
    beginResetModel();
    m_map.clear();
    for (const ReviewColumn& c : m_columns)
        m_map << m_query.columnIndex(c.field);
    endResetModel();
}

ReviewPanel::ReviewPanel(Review& review, QCheckBox* warning, StepRunner runStep, QWidget* parent)
    : QWidget(parent), m_review(review), m_warning(warning), m_runStep(std::move(runStep))
{
    initCleanupResources();
    PageOpti = new QTabWidget(this);
    PageOpti->setObjectName(QStringLiteral("PageOpti"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageOpti);
    for (const DataClass& c : allDataClasses())
        buildTab(c.id, c.className);
}

void ReviewPanel::buildTab(DataClassId id, const QString& caption)
{
    const DataClass& c = dataClass(id);
    ReviewTab& t = m_tabs.at(static_cast<size_t>(c.index()));
    t.id = id;
    t.tab = new QWidget;
    t.tab->setObjectName(QStringLiteral("Tab") + c.base);

    t.grid = new QTableView(t.tab);
    t.grid->setObjectName(QStringLiteral("DBG") + c.base);
    t.model = new ReviewModel(m_review.query(id), reviewColumns(id), t.grid);
    t.model->reload();
    t.grid->setModel(t.model);
    t.grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t.grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    t.grid->setSelectionMode(QAbstractItemView::SingleSelection);
    t.grid->verticalHeader()->setDefaultSectionSize(20);
    t.grid->horizontalHeader()->setDefaultSectionSize(72);
    for (int i = 0; i < t.model->columns().size(); ++i)
        if (t.model->columns().at(i).width > 0)
            t.grid->setColumnWidth(i, t.model->columns().at(i).width);
    if (c.isCellClass()) {
        t.grid->setToolTip(QStringLiteral("双击记录查看坐标信息"));
        connect(t.grid, &QTableView::doubleClicked, this, [this, id] { DBGDYZDDblClick(id); });
    }

    auto navButton = [&](const QString& role, const QString& icon, const QString& hint) {
        auto* b = new QToolButton(t.tab);
        b->setObjectName(QStringLiteral("Nav") + c.base + role);
        b->setIcon(QIcon(QStringLiteral(":/cleanup/images/nav_") + icon + QStringLiteral(".svg")));
        b->setToolTip(hint);
        b->setAutoRaise(true);
        return b;
    };
    t.first = navButton(QStringLiteral("First"), QStringLiteral("first"), QStringLiteral("第一条记录"));
    t.prior = navButton(QStringLiteral("Prior"), QStringLiteral("prior"), QStringLiteral("上一条记录"));
    t.next = navButton(QStringLiteral("Next"), QStringLiteral("next"), QStringLiteral("下一条记录"));
    t.last = navButton(QStringLiteral("Last"), QStringLiteral("last"), QStringLiteral("最后一条记录"));
    connect(t.first, &QToolButton::clicked, this, [this, id] { setCurrentRow(id, 0); });
    connect(t.prior, &QToolButton::clicked, this, [this, id] { setCurrentRow(id, std::max(0, currentRow(id) - 1)); });
    connect(t.next, &QToolButton::clicked, this, [this, id] { setCurrentRow(id, currentRow(id) + 1); });
    connect(t.last, &QToolButton::clicked, this,
        [this, id] { setCurrentRow(id, tab(id).model->rowCount() - 1); });

    t.del = new QPushButton(QStringLiteral("删除(&E)"), t.tab);
    t.del->setObjectName(QStringLiteral("BtnDel") + c.base);
    t.check = new QPushButton(QStringLiteral("检查(&K)"), t.tab);
    t.check->setObjectName(QStringLiteral("BtnCheck") + c.base);
    t.empty = new QPushButton(QStringLiteral("清空(&T)"), t.tab);
    t.empty->setObjectName(QStringLiteral("BtnTruncate") + c.base);
    for (QPushButton* b : {t.del, t.check, t.empty})
        b->setAutoDefault(false);
    connect(t.del, &QPushButton::clicked, this, [this, id] { BtnDelClick(id); });
    connect(t.check, &QPushButton::clicked, this, [this, id] { BtnCheckClick(id); });
    connect(t.empty, &QPushButton::clicked, this, [this, id] { BtnTruncateHZDClick(id); });

    auto* strip = new QHBoxLayout;
    for (QToolButton* b : {t.first, t.prior, t.next, t.last})
        strip->addWidget(b);
    strip->addStretch();
    strip->addWidget(t.del);
    strip->addWidget(t.check);
    strip->addWidget(t.empty);
    auto* v = new QVBoxLayout(t.tab);
    v->setContentsMargins(2, 2, 2, 2);
    v->addWidget(t.grid);
    v->addLayout(strip);
    PageOpti->addTab(t.tab, caption);
}

void ReviewPanel::hideAllTabs()
{
    for (int i = 0; i < PageOpti->count(); ++i)
        PageOpti->setTabVisible(i, false);
}

void ReviewPanel::showTabs(const QList<DataClassId>& classes)
{
    for (DataClassId id : classes) {
        ReviewTab& t = tab(id);
        t.model->reload();
        PageOpti->setTabVisible(PageOpti->indexOf(t.tab), true);
        if (t.model->rowCount() > 0)
            setCurrentRow(id, 0);
    }
    if (!classes.isEmpty())
        PageOpti->setCurrentWidget(tab(classes.constFirst()).tab);
}

QList<QWidget*> ReviewPanel::stepWidgets() const
{
    QList<QWidget*> list;
    for (const ReviewTab& t : m_tabs)
        list << t.del << t.check << t.empty;
    return list;
}

int ReviewPanel::currentRow(DataClassId id) const
{
    const ReviewTab& t = m_tabs.at(static_cast<size_t>(static_cast<int>(id) - 1));
    const QModelIndex i = t.grid->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void ReviewPanel::setCurrentRow(DataClassId id, int row)
{
    ReviewTab& t = tab(id);
    const int rows = t.model->rowCount();
    if (rows == 0)
        return;
    row = std::clamp(row, 0, rows - 1);
    const QModelIndex i = t.model->index(row, std::max(0, t.grid->currentIndex().column()));
    t.grid->setCurrentIndex(i);
    t.grid->selectRow(row);
    t.grid->scrollTo(i);
}

void ReviewPanel::reload(DataClassId id, int keepRow)
{
    tab(id).model->reload();
    if (keepRow >= 0)
        setCurrentRow(id, keepRow);
}

void ReviewPanel::BtnDelClick(DataClassId id)
{
    m_runStep([this, id] {
        const int row = currentRow(id);
        // The query's rows shown again however the deletion ended (an error included).
        const auto after = qScopeGuard([this, id, row] { reload(id, row); });
        m_review.DeleteRow(id, row, m_warning && m_warning->isChecked());
    });
}

void ReviewPanel::BtnCheckClick(DataClassId id)
{
    m_runStep([this, id] {
        int row = -1;
        if (!m_review.Check(id, &row) && row >= 0)
            setCurrentRow(id, row);
    });
}

void ReviewPanel::BtnTruncateHZDClick(DataClassId id)
{
    m_runStep([this, id] {
        const auto after = qScopeGuard([this, id] { reload(id, 0); });
        m_review.Empty(id);
    });
}

void ReviewPanel::DBGDYZDDblClick(DataClassId id)
{
    m_runStep([this, id] {
        const int row = currentRow(id);
        CachedQuery& q = m_review.query(id);
        if (row < 0 || !q.active() || row >= q.rowCount())
            return;
        const QString z = m_review.CoordinateOf(id, row);   // an error stops here, no window
        TFrmShowHint hint(window());
        hint.showRow(q.text(row, q.columnIndex(QStringLiteral("BBZD_BH"))),
            q.text(row, q.columnIndex(QStringLiteral("BBZD_DATE"))), z);
        hint.exec();
    });
}
