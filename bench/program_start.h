#pragma once

// Times the desktop program's start: a child process of the real program,
// offscreen, against a stand-in airline, in a data folder that already holds
// a logged-in pilot, until its main dialog first shows.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "server/account.h"
#include "server/http_engine.h"
#include "store/database.h"

namespace kestrix::bench {

struct ProgramStart {
  double startMs = -1;        // process start to main dialog shown, splash pause taken out
  double splashPauseMs = -1;  // the pause with the splash on screen
};

// `dataFolder` must hold the pilot's database with current server variables.
inline ProgramStart TimeProgramStart(const std::string& program, const std::filesystem::path& dataFolder,
                                     const std::string& serverHost) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("KESTRIX_DATA_DIR", QString::fromStdString(dataFolder.string()));
  environment.insert("KESTRIX_LOCK_DIR", QString::fromStdString(dataFolder.string()));
  environment.insert("KESTRIX_SERVER_VARS_HOST", QString::fromStdString(serverHost));
  environment.insert("KESTRIX_ONLINE", "1");
  environment.insert("KESTRIX_TIMING", "1");
  QProcess process;
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const auto launched = std::chrono::steady_clock::now();
  process.start(QString::fromStdString(program), {});
  ProgramStart result;
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    return result;
  }
  std::map<std::string, long long> values;
  for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
    const int colon = line.indexOf(": ");
    if (colon > 0) values[line.left(colon).toStdString()] = line.mid(colon + 2).toLongLong();
  }
  if (!values.count("kestrix.main_dialog_shown_ns")) return result;
  const long long launchedNs =
      std::chrono::duration_cast<std::chrono::nanoseconds>(launched.time_since_epoch()).count();
  result.splashPauseMs = values["kestrix.splash_pause_ns"] / 1e6;
  result.startMs = (values["kestrix.main_dialog_shown_ns"] - launchedNs) / 1e6 - result.splashPauseMs;
  return result;
}

}  // namespace kestrix::bench
