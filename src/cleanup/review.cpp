#include "cleanup/review.h"

#include "data_module/database_error.h"
#include "data_module/end_year_data_mod.h"
#include "data_module/sql_text.h"

QString ColumnLetters(int column)
{
    QString letters;
    for (int n = column; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

QString CellCoordinateText(TEndYearDataMod& dm, const QString& reviewTable, const QString& rowDictionary,
    const QString& columnDictionary, const QString& reportNumber, const QString& reportDate,
    const QString& rowCode, const QString& columnCode, const QString& textValue)
{
    // An empty text is the same row whether the database keeps it as '' or as NULL.
    const QString textCondition = textValue.isEmpty()
        ? QStringLiteral("(SrcTab.DYZD_SJ = '' or SrcTab.DYZD_SJ is null)")
        : QStringLiteral("SrcTab.DYZD_SJ = ") + sqlQuoted(textValue);
    const QString sql = QStringLiteral("select distinct LZD.LZD_ZB, HZD.HZD_ZB from ") + reviewTable
        + QStringLiteral(" SrcTab, ") + rowDictionary + QStringLiteral(" HZD, ") + columnDictionary
        + QStringLiteral(" LZD where SrcTab.BBZD_BH = ") + sqlQuoted(reportNumber)
        + QStringLiteral(" and SrcTab.BBZD_DATE = ") + sqlQuoted(reportDate)
        + QStringLiteral(" and SrcTab.HZD_ORDE = ") + sqlQuoted(rowCode)
        + QStringLiteral(" and SrcTab.LZD_ORDE = ") + sqlQuoted(columnCode) + QStringLiteral(" and ") + textCondition
        + QStringLiteral(" and SrcTab.BBZD_BH = HZD.BBZD_BH and SrcTab.BBZD_DATE = HZD.BBZD_DATE"
                         " and SrcTab.HZD_ORDE = HZD.HZD_ORDE and SrcTab.BBZD_BH = LZD.BBZD_BH"
                         " and SrcTab.BBZD_DATE = LZD.BBZD_DATE and SrcTab.LZD_ORDE = LZD.LZD_ORDE");
    if (!dm.OpenSQL(sql))
        throw DatabaseError(dm.lastError());
    Query& q = dm.QryGlobalOpen;
    QStringList coordinates;
    for (; !q.eof(); q.next())
        coordinates << ColumnLetters(int(q.integer(QStringLiteral("LZD_ZB")))) + q.text(QStringLiteral("HZD_ZB"));
    q.close();
    if (coordinates.size() == 1)
        return coordinates.constFirst();
    QString text;
    for (const QString& c : coordinates)
        text += c + QLatin1Char(';');
    return text;
}

bool CodeInUse(TEndYearDataMod& dm, const QString& column, const QString& reportNumber, const QString& reportDate,
    const QString& code)
{
    const TableNameSet& names = dm.state.TableNames;
    QStringList tables{names.DYZDName};
    if (isSummarySystem(dm.state.SystemSelector))
        tables << names.DWSJName << names.HZSJName;
    for (const QString& table : tables) {
        const QString sql = QStringLiteral("select 1 from ") + table + QStringLiteral(" where BBZD_BH = ")
            + sqlQuoted(reportNumber) + QStringLiteral(" and BBZD_DATE = ") + sqlQuoted(reportDate)
            + QStringLiteral(" and ") + column + QLatin1Char('=') + sqlQuoted(code);
        const bool used = dm.OpenSQL(sql) && !dm.QryGlobalOpen.isEmpty();
        dm.QryGlobalOpen.close();
        if (used)
            return true;
    }
    return false;
}

const QList<ReviewColumn>& reviewColumns(DataClassId id)
{
    static const QList<ReviewColumn> hzd{{"BBZD_BH", "报表编号"}, {"BBZD_DATE", "报表日期"},
        {"BBZD_MC", "报表名称", 268}, {"HZD_ORDE", "行内码"}, {"HZD_ZB", "行坐标"}};
    static const QList<ReviewColumn> lzd{{"BBZD_BH", "报表编号"}, {"BBZD_DATE", "报表日期"},
        {"BBZD_MC", "报表名称", 180}, {"LZD_MC", "列标题", 94}, {"LZD_ORDE", "列内码"}, {"LZD_ZB", "列坐标"},
        {"LZD_SZ", "数值列", 47}, {"LZD_HZ", "汇总列", 44}, {"LZD_TZ", "调整列"}, {"LZD_XM", "项目列"}};
    static const QList<ReviewColumn> dyzd{{"BBZD_BH", "报表编号"}, {"BBZD_DATE", "报表日期"},
        {"BBZD_MC", "报表名称", 100}, {"HZD_ORDE", "行内码"}, {"LZD_ORDE", "列内码"},
        {"DYZD_DATA", "单元格数值信息", 100}, {"DYZD_SJ", "单元格文本信息", 100}, {"DYZD_GSX", "单元格公式", 300},
        {"DYZD_ORDE", "单元格内码"}, {"DYZD_HOFFSET", "行位移"}, {"DYZD_LOFFSET", "列位移"},
        {"DYZD_DEC", "单元格精度"}};
    static const QList<ReviewColumn> dwsj{{"DWZD_BH", "单位编号"}, {"DWZD_MC", "单位名称", 100},
        {"BBZD_BH", "报表编号"}, {"BBZD_DATE", "报表日期"}, {"BBZD_MC", "报表名称", 200}, {"HZD_ORDE", "行内码"},
        {"LZD_ORDE", "列内码"}, {"DYZD_DATA", "单元格数值信息"}, {"DYZD_SJ", "单元格文本信息", 200}};
    static const QList<ReviewColumn> hzsj{{"LBZD_BH", "类别编号"}, {"LBZD_MC", "类别名称", 100},
        {"BBZD_BH", "报表编号"}, {"BBZD_DATE", "报表日期"}, {"BBZD_MC", "报表名称", 200}, {"HZD_ORDE", "行内码"},
        {"LZD_ORDE", "列内码"}, {"DYZD_DATA", "单元格数值信息"}, {"DYZD_SJ", "单元格文本信息", 200}};
    switch (id) {
    case DataClassId::HZD: return hzd;
    case DataClassId::LZD: return lzd;
    case DataClassId::DYZD: return dyzd;
    case DataClassId::DWSJ: return dwsj;
    case DataClassId::HZSJ: break;
    }
    return hzsj;
}

namespace {
QString deleteStatement(const QString& table, const QStringList& columns)
{
    QStringList parts;
    for (const QString& c : columns)
        parts << c + QStringLiteral(" = :OLD_") + c;
    return QStringLiteral("delete from ") + table + QStringLiteral(" where ") + parts.join(QStringLiteral(" and "));
}

QString selectList(const QString& alias, const QStringList& columns)
{
    QStringList parts;
    for (const QString& c : columns)
        parts << (c.contains(QLatin1Char('.')) ? c : alias + QLatin1Char('.') + c);
    return parts.join(QStringLiteral(", "));
}

QString orderList(const QString& alias, const QStringList& columns)
{
    return selectList(alias, columns);
}

const QString kJoinReport = QStringLiteral("%1.BBZD_BH = SrcBBZD.BBZD_BH and %1.BBZD_DATE = SrcBBZD.BBZD_DATE");
}

Review::Review(TEndYearDataMod& dm, CleanupState& state, PromptService& prompts, CleanupClock clock)
    : m_dm(dm), m_state(state), m_prompts(prompts), m_clock(std::move(clock))
{
    for (auto& q : m_queries)
        q = std::make_unique<CachedQuery>(dm.mast);
}

void Review::PrepareReviewQueries(const QString& reviewHZD, const QString& reviewLZD, const QString& reviewDYZD,
    const QString& reviewDWSJ, const QString& reviewHZSJ, const QString& reportDictionary,
    const QString& unitDictionary, const QString& categoryDictionary)
{
    const QString bb = reportDictionary + QStringLiteral(" SrcBBZD");
    auto prepare = [&](DataClassId id, const QString& sql, const QString& del) {
        CachedQuery& q = query(id);
        q.close();
        q.setSql(sql);
        q.setDeleteSql(del);
    };

    prepare(DataClassId::HZD,
        QStringLiteral("select ")
            + selectList(QStringLiteral("SrcHZD"),
                {"BBZD_BH", "BBZD_DATE", "SrcBBZD.BBZD_MC", "HZD_ORDE", "HZD_ZB"})
            + QStringLiteral(" from ") + reviewHZD + QStringLiteral(" SrcHZD, ") + bb + QStringLiteral(" where ")
            + kJoinReport.arg(QStringLiteral("SrcHZD")) + QStringLiteral(" order by ")
            + orderList(QStringLiteral("SrcHZD"), {"BBZD_BH", "BBZD_DATE", "HZD_ORDE"}),
        deleteStatement(reviewHZD, {"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "HZD_ZB"}));

    prepare(DataClassId::LZD,
        QStringLiteral("select ")
            + selectList(QStringLiteral("SrcLZD"),
                {"BBZD_BH", "BBZD_DATE", "SrcBBZD.BBZD_MC", "LZD_ORDE", "LZD_ZB", "LZD_MC", "LZD_SZ", "LZD_HZ",
                    "LZD_TZ", "LZD_XM"})
            + QStringLiteral(" from ") + reviewLZD + QStringLiteral(" SrcLZD, ") + bb + QStringLiteral(" where ")
            + kJoinReport.arg(QStringLiteral("SrcLZD")) + QStringLiteral(" order by ")
            + orderList(QStringLiteral("SrcLZD"), {"BBZD_BH", "BBZD_DATE", "LZD_ORDE"}),
        deleteStatement(reviewLZD,
            {"BBZD_BH", "BBZD_DATE", "LZD_ORDE", "LZD_ZB", "LZD_MC", "LZD_SZ", "LZD_HZ", "LZD_TZ", "LZD_XM"}));

    prepare(DataClassId::DYZD,
        QStringLiteral("select ")
            + selectList(QStringLiteral("SrcDYZD"),
                {"BBZD_BH", "BBZD_DATE", "SrcBBZD.BBZD_MC", "HZD_ORDE", "LZD_ORDE", "DYZD_SJ", "DYZD_DATA",
                    "DYZD_GSX", "DYZD_HOFFSET", "DYZD_LOFFSET", "DYZD_DEC", "DYZD_ORDE"})
            + QStringLiteral(" from ") + reviewDYZD + QStringLiteral(" SrcDYZD, ") + bb + QStringLiteral(" where ")
            + kJoinReport.arg(QStringLiteral("SrcDYZD")) + QStringLiteral(" order by ")
            + orderList(QStringLiteral("SrcDYZD"), {"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE"}),
        deleteStatement(reviewDYZD,
            {"BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE", "DYZD_SJ", "DYZD_DATA", "DYZD_HOFFSET",
                "DYZD_LOFFSET", "DYZD_DEC", "DYZD_ORDE"}));

    if (!isSummarySystem(m_dm.state.SystemSelector))
        return;

    prepare(DataClassId::DWSJ,
        QStringLiteral("select ")
            + selectList(QStringLiteral("SrcDWSJ"),
                {"DWZD_BH", "SrcDWZD.DWZD_MC", "BBZD_BH", "BBZD_DATE", "SrcBBZD.BBZD_MC", "HZD_ORDE", "LZD_ORDE",
                    "DYZD_SJ", "DYZD_DATA"})
            + QStringLiteral(" from ") + reviewDWSJ + QStringLiteral(" SrcDWSJ, ") + bb + QStringLiteral(", ")
            + unitDictionary + QStringLiteral(" SrcDWZD where SrcDWSJ.DWZD_BH = SrcDWZD.DWZD_BH and ")
            + kJoinReport.arg(QStringLiteral("SrcDWSJ")) + QStringLiteral(" order by ")
            + orderList(QStringLiteral("SrcDWSJ"), {"DWZD_BH", "BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE"}),
        deleteStatement(reviewDWSJ,
            {"DWZD_BH", "BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE", "DYZD_SJ", "DYZD_DATA"}));

    prepare(DataClassId::HZSJ,
        QStringLiteral("select ")
            + selectList(QStringLiteral("SrcHZSJ"),
                {"LBZD_BH", "SrcLBZD.LBZD_MC", "BBZD_BH", "BBZD_DATE", "SrcBBZD.BBZD_MC", "HZD_ORDE", "LZD_ORDE",
                    "DYZD_SJ", "DYZD_DATA"})
            + QStringLiteral(" from ") + reviewHZSJ + QStringLiteral(" SrcHZSJ, ") + bb + QStringLiteral(", ")
            + categoryDictionary + QStringLiteral(" SrcLBZD where SrcHZSJ.LBZD_BH = SrcLBZD.LBZD_BH and ")
            + kJoinReport.arg(QStringLiteral("SrcHZSJ")) + QStringLiteral(" order by ")
            + orderList(QStringLiteral("SrcHZSJ"), {"LBZD_BH", "BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE"}),
        deleteStatement(reviewHZSJ,
            {"LBZD_BH", "BBZD_BH", "BBZD_DATE", "HZD_ORDE", "LZD_ORDE", "DYZD_SJ", "DYZD_DATA"}));
}

QList<DataClassId> Review::Prepare(ReportSink& log, ProgressSink& bar, EventsHook& events)
{
    auto line = [&](const QString& text) { log.addLine(logStamp(m_clock()) + text); };
    const TableNameSet& names = m_dm.state.TableNames;
    bar.setRange(0, 6);
    bar.setPosition(0);

    line(QStringLiteral(" 正在查询报表字典"));
    events.processEvents();
    m_dm.CopyReportDictionary(names.BBZDName, workingTableName(WorkingRole::Review, QStringLiteral("BBZD")));
    bar.step();
    line(QStringLiteral(" 结束查询报表字典"));
    events.processEvents();

    PrepareReviewQueries(dataClass(DataClassId::HZD).reviewTable(), dataClass(DataClassId::LZD).reviewTable(),
        dataClass(DataClassId::DYZD).reviewTable(), dataClass(DataClassId::DWSJ).reviewTable(),
        dataClass(DataClassId::HZSJ).reviewTable(), names.BBZDName, names.DWZDName, names.LBZDName);

    QList<DataClassId> shown;
    for (const DataClass* c : dataClassesOf(m_dm.state.SystemSelector)) {
        if (!m_state.of(*c).Remaining)
            continue;
        line(QStringLiteral(" 开始打开") + c->className + QStringLiteral("重复数据临时表"));
        events.processEvents();
        query(c->id).open();
        bar.step();
        shown << c->id;
        line(QStringLiteral(" 结束打开") + c->className + QStringLiteral("重复数据临时表"));
        events.processEvents();
    }
    bar.setPosition(6);
    return shown;
}

Review::DeleteResult Review::DeleteRow(DataClassId id, int row, bool ignoreWarning)
{
    CachedQuery& q = query(id);
    if (!q.active() || row < 0 || row >= q.rowCount())
        return DeleteResult::NoRow;

    if (id == DataClassId::HZD || id == DataClassId::LZD) {
        const QString column = id == DataClassId::HZD ? QStringLiteral("HZD_ORDE") : QStringLiteral("LZD_ORDE");
        const QString number = q.text(row, q.columnIndex(QStringLiteral("BBZD_BH")));
        const QString date = q.text(row, q.columnIndex(QStringLiteral("BBZD_DATE")));
        const QString code = q.text(row, q.columnIndex(column));
        if (CodeInUse(m_dm, column, number, date, code)) {
            const QString sep = QStringLiteral("\n\r");
            const QString text = (id == DataClassId::HZD ? QStringLiteral("该行字典内码已经使用，")
                                                         : QStringLiteral("该列字典内码已经使用，"))
                + sep + QStringLiteral("如果删除可能造成公式丢失或格式紊乱！") + sep
                + QStringLiteral("建议检查单元字典或单位数据或汇总数据确认可以删除后再执行该操作。") + sep
                + QStringLiteral("是否强制删除该记录？");
            if (m_prompts.message(text, QStringLiteral("警告"), PromptIcon::Warning, PromptButtons::YesNo)
                != PromptAnswer::Yes)
                return DeleteResult::Declined;
        }
    }
    if (!ignoreWarning
        && m_prompts.message(QStringLiteral("确认删除该记录吗？"), QStringLiteral("警告"), PromptIcon::Question,
               PromptButtons::YesNo)
            != PromptAnswer::Yes)
        return DeleteResult::Declined;

    q.deleteRow(row);
    try {
        q.applyUpdates();
    } catch (const DatabaseError& e) {
        // Whatever the statement removed is gone; show what the review table holds now.
        // Closing forgets the pending deletion, so it is never sent a second time.
        q.close();
        m_prompts.message(QStringLiteral("更新失败！") + QLatin1Char('\n') + e.message(), QStringLiteral("提示"),
            PromptIcon::Error, PromptButtons::Ok);
        q.open();
        return DeleteResult::UpdateFailed;
    }
    return DeleteResult::Deleted;
}

bool Review::Check(DataClassId id, int* locateRow)
{
    const DataClass& c = dataClass(id);
    if (locateRow)
        *locateRow = -1;
    m_dm.CountDuplicates(c.reviewTable(), c.countTable(), c.keyList(), c.countColumn);
    if (!m_dm.HasRows(c.countTable())) {
        m_state.of(id).Remaining = false;
        m_prompts.message(QStringLiteral("检查") + c.className + QStringLiteral("通过！"), QStringLiteral("提示"),
            PromptIcon::Information, PromptButtons::Ok);
        return true;
    }
    m_state.of(id).Remaining = true;
    m_dm.OpenSQL(QStringLiteral("select * from ") + c.countTable() + QStringLiteral(" order by ") + c.keyList());
    QStringList key;
    for (const QString& k : c.keyColumns)
        key << m_dm.QryGlobalOpen.text(k);   // throws when the count query did not open
    m_dm.QryGlobalOpen.close();

    CachedQuery& q = query(id);
    if (locateRow && q.active()) {
        QList<int> cols;
        for (const QString& k : c.keyColumns)
            cols << q.columnIndex(k);
        for (int r = 0; r < q.rowCount() && *locateRow < 0; ++r) {
            bool same = true;
            for (int i = 0; i < cols.size() && same; ++i)
                same = cols.at(i) >= 0 && q.text(r, cols.at(i)).compare(key.at(i), Qt::CaseInsensitive) == 0;
            if (same)
                *locateRow = r;
        }
    }
    m_prompts.message(QStringLiteral("检查") + c.className + QStringLiteral("仍存在重复数据！"), QStringLiteral("提示"),
        PromptIcon::Warning, PromptButtons::Ok);
    return false;
}

bool Review::Empty(DataClassId id)
{
    const DataClass& c = dataClass(id);
    bool emptied = false;
    if (m_prompts.message(QStringLiteral("确认清空重复记录吗？") + QStringLiteral("\n\r") + QStringLiteral("请慎重执行！！！"),
            QStringLiteral("警告"), PromptIcon::Warning, PromptButtons::YesNo)
        == PromptAnswer::Yes) {
        try {
            m_dm.mast.startTransaction();
            if (m_dm.ExecuteSQL(QStringLiteral("delete from ") + c.reviewTable())) {
                m_dm.mast.commit();
                emptied = true;
            } else {
                m_dm.mast.rollback();
            }
        } catch (const DatabaseError&) {
            try {
                if (m_dm.mast.inTransaction())
                    m_dm.mast.rollback();
            } catch (const DatabaseError&) {
            }
            emptied = false;
        }
    }
    CachedQuery& q = query(id);
    q.close();
    q.open();
    return emptied;
}

QString Review::CoordinateOf(DataClassId id, int row)
{
    CachedQuery& q = query(id);
    if (!q.active() || row < 0 || row >= q.rowCount())
        return {};
    auto field = [&](const char* name) { return q.text(row, q.columnIndex(QLatin1String(name))); };
    const TableNameSet& names = m_dm.state.TableNames;
    return CellCoordinateText(m_dm, dataClass(id).reviewTable(), names.HZDName, names.LZDName, field("BBZD_BH"),
        field("BBZD_DATE"), field("HZD_ORDE"), field("LZD_ORDE"), field("DYZD_SJ"));
}
