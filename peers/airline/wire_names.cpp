#include "airline/wire_names.h"

#include "store/string_protection.h"

namespace kestrix::airline {
namespace generated {
// The program's server library holds its own scrambled copy of this list, with
// other random bytes; a namespace of their own keeps the two definitions apart.
#include "scrambled/airline_server_strings.h"
}  // namespace generated

const WireNames& Wire() {
  static const WireNames names = [] {
    namespace s = generated::kestrix::scrambled;
    WireNames w;
    w.pageFlights = Reveal(s::PageFlights);
    w.pageSchedule = Reveal(s::PageSchedule);
    w.pageChat = Reveal(s::PageChat);
    w.pagePlanUpload = Reveal(s::PagePlanUpload);
    w.pageServerVars = Reveal(s::PageServerVars);
    w.pageVersion = Reveal(s::PageVersion);
    w.commands[w.pageSchedule] = {
        {Reveal(s::CmdVerifyPilot), Route::VerifyPilot},
        {Reveal(s::CmdSchedule), Route::Schedule},
        {Reveal(s::CmdLiveReport), Route::LiveReport},
    };
    w.commands[w.pageFlights] = {
        {Reveal(s::CmdCheckReportMissing), Route::CheckReportMissing},
        {Reveal(s::CmdCheckFlightFiled), Route::CheckFlightFiled},
        {Reveal(s::CmdGetReportKey), Route::GetReportKey},
        {Reveal(s::CmdUploadReport), Route::UploadReport},
        {Reveal(s::CmdUploadPoints), Route::UploadPoints},
        {Reveal(s::CmdRemoveFlight), Route::RemoveFlight},
    };
    w.commands[w.pageChat] = {
        {Reveal(s::CmdChatUsers), Route::ChatUsers},
        {Reveal(s::CmdChatExchange), Route::ChatExchange},
        {Reveal(s::CmdChatPresence), Route::ChatPresence},
    };
    return w;
  }();
  return names;
}

}  // namespace kestrix::airline
