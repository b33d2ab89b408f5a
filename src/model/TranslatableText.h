#pragma once

// Marks a text the user sees in code that does without Qt: Qt's lupdate collects it under
// `context` (the build tells it this macro's name), and the user interface shows it through
// QCoreApplication::translate(context, text).
#define MORROWFANE_TRANSLATABLE(context, text) text
