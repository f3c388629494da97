#pragma once
// The logging progress factory, with the other recorders.
#include "support/recorders.h"
