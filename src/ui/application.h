// Start-up shared by the editor and its tests: application-wide style and font.
#pragma once

#include <QString>

class QApplication;

namespace ui {

// True when some Qt platform can show windows here: a display, or a platform chosen
// explicitly (offscreen, for instance). Qt itself would abort without one.
bool haveDisplay();

// The look every window shares: one style, one palette, one CJK font.
void setUpApplication(QApplication& app);

struct EditorOptions {
    QString script;               // a script path, "-" for standard input; null: no script
    bool quitAfterPaint = false;  // for start-up benchmarks: end once the main window is painted
};

// Runs the editor: shows the main window, and with a script runs the automation interface
// on it. Returns the process exit code.
int runEditor(QApplication& app, const EditorOptions& options);

}  // namespace ui
