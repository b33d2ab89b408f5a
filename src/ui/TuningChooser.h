#pragma once

#include <QObject>
#include <array>
#include <vector>

#include "model/PlaybackSettings.h"

class QComboBox;
class QLabel;
class QWidget;

namespace morrowfane {

// The options dialog's choice of what is tuned and how: the instrument ("Strings:"), the root
// note and the tuning lists, and one note list per string for a tuning of one's own. Choosing an
// instrument proposes its General MIDI program in the dialog's instrument list.
class TuningChooser : public QObject {
  Q_OBJECT

 public:
  // The root and tuning lists and the program list are the dialog's; the chooser adds the
  // instrument list and the note lists to `dialog`, in rows starting at `stringsRowTop` and
  // `notesRowTop` (dialog units).
  TuningChooser(QWidget& dialog, QComboBox& rootList, QComboBox& shapeList, QComboBox& programList,
                int stringsRowTop, int notesRowTop);

  QLabel& StringsLabel() { return *stringsLabel_; }
  QComboBox& StringsList() { return *stringsList_; }
  QLabel& NotesLabel() { return *notesLabel_; }
  // The note list of string `stringNumber` (1..7); shown only for the instrument's strings.
  QComboBox& NoteList(int stringNumber) { return *noteLists_.at(stringNumber - 1); }

  // Shows `settings`' instrument and tuning.
  void Show(const PlaybackSettings& settings);
  // Writes the chosen instrument and tuning into `settings`; root and shape stay as they were
  // while the tuning is Custom.
  void Read(PlaybackSettings& settings) const;

 private:
  void CreateNoteLists(QWidget& dialog, int top);
  StringInstrument Chosen() const;
  bool CustomChosen() const;
  void FillRoots(int semitonesDown);
  void FillShapes(TuningShape shape);
  void FillNotes(const std::vector<int>& keys);
  void LabelShapes();
  void EnableNotes();
  void OnInstrumentChosen();
  void OnShapeChosen();

  QComboBox* rootList_;
  QComboBox* shapeList_;
  QComboBox* programList_;
  QComboBox* stringsList_ = nullptr;
  QLabel* stringsLabel_ = nullptr;
  QLabel* notesLabel_ = nullptr;
  std::array<QComboBox*, kMaxStringCount> noteLists_{};
};

}  // namespace morrowfane
