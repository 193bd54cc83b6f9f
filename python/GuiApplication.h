#pragma once
// Drawing text needs fonts, which only a Qt GUI application has: the first drawing from Python
// starts one on the offscreen platform (no display needed; QT_QPA_PLATFORM chooses another),
// unless the process already runs a Qt application of its own, which is then used as it is.
namespace GuiApplication {
void ensure();
} // namespace GuiApplication
