#include "billing/DebtRun.h"
#include "calls/Pricing.h"

namespace orv::billing {

DebtPipelines standardPipelines() { return {calls::CityGroup, calls::MGGroup}; }

}  // namespace orv::billing
