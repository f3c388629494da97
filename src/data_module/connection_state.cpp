#include "data_module/connection_state.h"

#include <array>

namespace {
template <typename Set, typename Out>
Out& entryOf(Set& s, int index)
{
    std::array<Out*, TableNameSet::Count> all{&s.BBZDName, &s.FormatName, &s.HZDName, &s.LZDName,
        &s.DYZDName, &s.DWSJName, &s.HZSJName, &s.DWZDName, &s.LBZDName, &s.YearSuffix,
        &s.HZDBase, &s.LZDBase, &s.DYZDBase, &s.DWSJBase, &s.HZSJBase};
    return *all.at(static_cast<size_t>(index));
}
}

QString& TableNameSet::entry(int index) { return entryOf<TableNameSet, QString>(*this, index); }
const QString& TableNameSet::entry(int index) const
{
    return entryOf<const TableNameSet, const QString>(*this, index);
}
