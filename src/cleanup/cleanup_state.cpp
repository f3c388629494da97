#include "cleanup/cleanup_state.h"

bool CleanupState::DuplicatesRemain(const QString& systemSelector) const
{
    for (const DataClass* c : dataClassesOf(systemSelector))
        if (of(*c).Remaining)
            return true;
    return false;
}

QList<DataClassId> CleanupState::leftOut(const QString& systemSelector) const
{
    QList<DataClassId> out;
    for (const DataClass* c : dataClassesOf(systemSelector))
        if (of(*c).Found && !of(*c).AutoCleaned)
            out.append(c->id);
    return out;
}

QStringList CleanupState::leftOutNames(const QString& systemSelector) const
{
    QStringList names;
    for (DataClassId id : leftOut(systemSelector))
        names.append(dataClass(id).className);
    return names;
}
