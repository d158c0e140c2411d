#pragma once
// A database header reaching up into a subsystem: the layering check must refuse it.

#include "billing/DebtRun.h"
