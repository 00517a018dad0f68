#pragma once

namespace Ui {
class MainWindow;
}

// The DAQ window's controls that the last session keeps: the timing, the
// logged columns, the capture length and the pre-trigger history, and the
// tab in front.
namespace WindowSession {

void saveControls(const Ui::MainWindow& ui);
// Sets the controls as the user would, through their own signals, so that
// the engine and the synchronised forms follow. Nothing without a saved
// session.
void restoreControls(Ui::MainWindow& ui);

} // namespace WindowSession
