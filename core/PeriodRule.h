// core/PeriodRule.h: the error box ends a message with a period unless its last character sorts at or below ".".
#pragma once

#include <string>

#include "core/CodePage.h"

std::string WithClosingPeriod(const std::string& message, IsLeadByteFn isLead);
