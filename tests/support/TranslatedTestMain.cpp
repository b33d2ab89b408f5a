#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "ui/Translators.h"

// Widget tests in the language LANG names, with the program's translators installed as main()
// installs them. The variables that would override LANG are cleared, so the test's own LANG
// decides whatever the calling shell sets.
int main(int argc, char* argv[]) {
  for (const char* overriding : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) {
    unsetenv(overriding);
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  const morrowfane::Translators translators;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
