#pragma once

#include <exception>

#include "platform/message_box.h"
#include "store/database.h"

namespace kestrix {

template <typename Result, typename Body>
Result Database::Guarded(const char* failureText, Result failed, Body&& body) {
  try {
    if (!open && !Open()) return failed;
    Result result = body(connection);
    Close();
    return result;
  } catch (...) {
    Close();
    ShowMessageBox(owner, failureText, kProgramCaption, MessageKind::Plain);
    return failed;
  }
}

}  // namespace kestrix
