#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need one QApplication for the whole run. CTest sets QT_QPA_PLATFORM=offscreen; the
// same default here lets the test list be read at build time, where no display may exist.
int main(int argc, char* argv[]) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
