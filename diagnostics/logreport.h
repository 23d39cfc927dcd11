// What the two crash reports share: the one for std::terminate and the one
// for fatal signals never both run, and neither runs twice.
#pragma once

namespace VELDRAN::internal {

// Notes that the report for std::terminate has begun.
void beginterminatereport() noexcept;
// Whether a fatal signal's report has begun.
bool signalreportbegun() noexcept;
// Begins a fatal signal's report: false when a report of either kind
// has begun already.
bool beginsignalreport() noexcept;

}  // namespace VELDRAN::internal
