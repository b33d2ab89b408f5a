#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "app/StoredSettings.h"
#include "app/StringButtons.h"
#include "player/MidiOutput.h"
#include "player/TonePlayer.h"
#include "ui/DialogUnits.h"

class QAction;
class QPushButton;

namespace morrowfane {

class IconButton;
class OptionsDialog;

// The program's main window: one string button per string of the instrument (4 to 7), "&Options..."
// and "&Close". It plays and edits the stored settings, and has them written when the Close button
// or a close request ends it; Escape ends it without writing.
class TunerWindow : public QDialog {
  Q_OBJECT

 public:
  // Shows a message to the user; the defaults are message boxes.
  using MessageFunction = std::function<void(QWidget* parent, const QString& text)>;
  // Runs the options dialog modally; true when it ended with OK.
  using OptionsRunner = std::function<bool(OptionsDialog& dialog)>;

  static constexpr int kAboutCommandId = 16;

  // Hands `player` the settings; the window's owner has loaded them.
  TunerWindow(TonePlayer& player, MidiOutputs& outputs, StoredSettings& settings,
              QWidget* parent = nullptr);
  ~TunerWindow() override;

  void SetSaveErrorReporter(MessageFunction report);
  void SetOptionsRunner(OptionsRunner run);
  // Validation messages of the options dialog.
  void SetOptionsWarning(MessageFunction warn);

  IconButton& StringButton(int stringNumber);
  QPushButton& OptionsButton() { return *optionsButton_; }
  QPushButton& CloseButton() { return *closeButton_; }
  QAction& AboutAction() { return *aboutAction_; }
  const StringButtons& ButtonState() const { return *state_; }

  void ShowAbout();
  void RunOptions();

 public slots:
  // The Close button: saves, then ends the window; a failed save keeps it open.
  void accept() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
#ifdef Q_OS_WIN
  void showEvent(QShowEvent* event) override;
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

 private:
  void CreateControls();
  // A rectangle of the window's template in pixels of its dialog units.
  QRect Pixels(const QRect& dialogUnits) const;
  // Shows one string button per string of the instrument and sizes the window to them.
  void LayOutStrings();
  IconButton* MakeStringButton(int stringNumber);
  void Label(int stringNumber, const std::string& note, bool lit);
  void LabelAllUnlit();
  void PrepareOutput();
  void PressByKey(int stringNumber);
  // Shift+F10: the context menu at the focused control, as the Menu key opens it.
  void ShowContextMenuByKey();
  bool Save();

  TonePlayer& player_;
  MidiOutputs& outputs_;
  StoredSettings& settings_;
  MessageFunction reportSaveError_;
  MessageFunction optionsWarning_;
  OptionsRunner runOptions_;
  // The layout's dialog units, from the application font when the window was built.
  DialogBaseUnits units_;
  QPushButton* optionsButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  std::array<IconButton*, kMaxStringCount> buttons_{};
  QAction* aboutAction_ = nullptr;
  std::unique_ptr<StringButtons> state_;
#ifdef Q_OS_WIN
  bool systemMenuExtended_ = false;
#endif
};

}  // namespace morrowfane
