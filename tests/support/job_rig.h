#pragma once
// The job context of a test: the account set's connection and state, no window events,
// an optional logged progress factory, the installed (scripted) prompt service, a clock.
#include "data_module/end_year_data_mod.h"
#include "data_module/job_context.h"

inline JobContext testJobContext(TEndYearDataMod& dm, EventsHook& events, ProgressFactory progress = {},
    JobClock clock = systemClock)
{
    return JobContext{dm.mast, dm.state, events, std::move(progress), PromptService::instance(), std::move(clock)};
}
