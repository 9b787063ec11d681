#pragma once

#include <QString>

namespace kestrix::screens {

// Opens each window of the program on the prepared data folder, saves it as
// OUTDIR/<window>.png and prints the file's path; false when one failed.
bool RenderEveryWindow(const QString& outDir);

}  // namespace kestrix::screens
