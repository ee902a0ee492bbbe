// Times and volumes as scripts read them: rounded to seven decimals.
#pragma once

#include <string>

namespace vesk {

// "12.5000000", "-6.0000000", "0.0000000".
std::string fixed7(double value);

}  // namespace vesk
