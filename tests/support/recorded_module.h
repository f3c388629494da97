#pragma once
// A data module on the recording engine, connected, as a server of the given kind sees it.
#include "data_module/end_year_data_mod.h"
#include "support/recording_backend.h"

#include <memory>

struct RecordedModule {
    explicit RecordedModule(DbKind kind = DbKind::Anywhere, const QString& workstation = {})
    {
        auto b = std::make_unique<RecordingBackend>();
        backend = b.get();
        dm = std::make_unique<TEndYearDataMod>(std::move(b));
        dm->mast.connect();
        dm->state.DatabaseKind = kind;
        dm->state.WorkstationCode = workstation;
    }
    // The statements sent that begin with start.
    QStringList statementsStarting(const QString& start) const
    {
        QStringList out;
        for (const QString& s : backend->statements())
            if (s.startsWith(start))
                out << s;
        return out;
    }

    RecordingBackend* backend = nullptr;   // owned by dm
    std::unique_ptr<TEndYearDataMod> dm;
};
