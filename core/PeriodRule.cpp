// core/PeriodRule.cpp: the error box's period rule.
#include "core/PeriodRule.h"

#include <cstring>

std::string WithClosingPeriod(const std::string& message, IsLeadByteFn isLead)
{
    if (message.empty())
        return message;
    std::size_t last = 0;
    for (std::size_t i = 0; i < message.size(); i = NextCharOffset(message, i, isLead))
        last = i;
    // strcmp compares as unsigned bytes, so every byte of 0x80 or above and
    // every double-byte character sorts above ".".
    if (std::strcmp(message.c_str() + last, ".") > 0)
        return message + ".";
    return message;
}
