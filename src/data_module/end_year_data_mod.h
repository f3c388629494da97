#pragma once
#include "data_module/connection_state.h"
#include "data_module/database.h"
#include "data_module/query.h"

#include <memory>

// The shared data module: the one connection `mast` and the connection state, created
// once at start-up and living as long as the program.
class TEndYearDataMod {
public:
    explicit TEndYearDataMod(std::unique_ptr<Backend> backend = {});

    Database mast;
    ConnectionState state;
    Query LoginQuery;
};
