#include "cleanup/cleanup_state.h"

bool CleanupState::DuplicatesRemain(ReportSystem system) const
{
    for (const DataClass* c : dataClassesOf(system))
        if (of(*c).Remaining)
            return true;
    return false;
}

QList<DataClassId> CleanupState::leftOut(ReportSystem system) const
{
    QList<DataClassId> out;
    for (const DataClass* c : dataClassesOf(system))
        if (of(*c).Found && !of(*c).AutoCleaned)
            out.append(c->id);
    return out;
}

QStringList CleanupState::leftOutNames(ReportSystem system) const
{
    QStringList names;
    for (DataClassId id : leftOut(system))
        names.append(dataClass(id).className);
    return names;
}
