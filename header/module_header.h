// The module header: a banner with the module's name, four lines for a
// hand-written description and a table of the module's procedures, at the
// top of a module. It is read back when it is rewritten, so every character
// and column here is a contract with headers already in users' modules.
#pragma once

#include <array>

#include "host/text.h"

namespace qlx {

// The description labels, 10 characters each; the text starts at character 11.
inline constexpr std::array<TextView, 4> kModuleDescriptionLabels = {
    u"'|USAGE |:", u"'|  OF  |:", u"'| THIS |:", u"'|MODULE|:"};
inline constexpr int kModuleLabelWidth = 10;
// Bars at 2, 9, 13 and 29, the colon at 30, as in every row below it.
inline constexpr TextView kModuleTableTitle =
    u"'|Number|Knd|Procedure Name |:-----Summary Description-----";
// The only row of a module without procedures. Its "'| No." (with a space)
// is the end mark of that form of the header; procedure rows begin "'|No.".
inline constexpr TextView kModulePlaceholderRow = u"'| No.0 |NUL|No Assignment  |:No Assignment";
inline constexpr TextView kModuleEndMark = u"'| No.";
inline constexpr TextView kModuleProcRowLabel = u"'|No.";
// How a header written for a module without procedures is found again.
inline constexpr TextView kModuleBannerPattern = u"'=====*";

inline constexpr int kModuleBannerWidth = 79;  // "=" and name, after the apostrophe
inline constexpr int kModuleNameCellWidth = 15;
inline constexpr int kModuleSummaryWidth = 25;

// "'" + L "=" + name + R "=", 80 characters: L is (79 - n) / 2 rounded half to
// even, R = 79 - n - L. Names of 10, 12 and 13 characters give L = 34, 34, 33.
// A name too long to leave room for the "=" raises VbError 5.
Text ModuleBanner(TextView module_name);

// Procedure row k (1-based): "'|No." k (filled to 3) "|" kind "|" name "|:"
// summary. A name over 15 characters becomes its first 14 and "~"; the
// summary is cut to 25 characters without a mark.
Text ModuleProcRow(int k, TextView kind, TextView name, TextView summary);

}  // namespace qlx
