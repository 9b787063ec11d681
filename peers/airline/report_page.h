#pragma once

#include <string>

#include "airline/airline_state.h"

namespace kestrix::airline {

// The page on which the pilot completes a PIREP: the report's values, its
// track, and a "Complete PIREP" link back to the same page. Without a report
// it is the page that refuses the request.
std::string ReportPageHtml(const StoredReport* report, const std::string& query, bool justFiled);

}  // namespace kestrix::airline
