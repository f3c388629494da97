#include "data_module/end_year_data_mod.h"

TEndYearDataMod::TEndYearDataMod(std::unique_ptr<Backend> backend)
    : mast(std::move(backend)), LoginQuery(mast), QryGlobalExecSQL(mast), QryGlobalOpen(mast),
      QryCheckDYZD(mast)
{
}
