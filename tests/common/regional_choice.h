// The user's regional choices a test may set where the system keeps them (regional_choices.h).
#pragma once

namespace tz::test {

enum class RegionalChoice { NegativeSign, Thousands, Decimal, Grouping, LeadingZero, Time, List };

}  // namespace tz::test
