// Runs the Qt tests on the offscreen platform, also when the binary is started by hand.
#include <gtest/gtest.h>

#include <QApplication>

#if defined(__SANITIZE_THREAD__)
// Qt is not built with TSan: its thread pools (image conversion when a window is painted or
// grabbed) synchronise through futexes TSan cannot see, and it reports their memory traffic as
// races. Calls made from inside Qt's libraries (and libcanberra's, which the window's sounds
// use) are left out; this program's own stay checked.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n"
         "called_from_lib:libcanberra.so.0\n"
         // A message posted from another thread reaches the window's thread through Qt's event
         // queue, whose lock TSan cannot see either.
         "race:kr55le::qt::QtDialogHost::Post\n";
}
#endif

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
