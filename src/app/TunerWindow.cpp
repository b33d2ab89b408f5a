#include "app/TunerWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <chrono>

#include "app/AboutBox.h"
#include "app/TunerLayout.h"
#include "model/Notes.h"
#include "model/TuningShapes.h"
#include "player/DeviceChoice.h"
#include "ui/DialogUnits.h"
#include "ui/IconButton.h"
#include "ui/IconResources.h"
#include "ui/OptionsDialog.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace morrowfane {
namespace {

constexpr std::uint8_t kNoteIconSize = 32;
// How long a key press shows its button pressed, as a click's animation would.
constexpr std::chrono::milliseconds kKeyPressShowTime{100};

constexpr std::array<Qt::Key, kMaxStringCount> kStringKeys = {
    Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6, Qt::Key_7};
constexpr int kKeysPerOctave = 12;

// A string's note as a screen reader says it: "A2", "F sharp 3" (the octave of MIDI key 60 is 4).
QString SpokenNote(int key) {
  const int octave = key / kKeysPerOctave - 1;
  const std::string_view name = kNoteNames[static_cast<std::size_t>(key % kKeysPerOctave)];
  const QString letter = QString::fromLatin1(name.data(), 1);
  if (name.size() > 1) {
    return TunerWindow::tr("%1 sharp %2", "a note name spoken by a screen reader")
        .arg(letter)
        .arg(octave);
  }
  return letter + QString::number(octave);
}

void ShowSaveError(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, TunerWindow::tr("MorrowFane"), text);
}

// The message of a failed save in the user's language; the settings layer words it in English.
QString SaveErrorText(SaveError::Cause cause, const std::filesystem::path& file) {
  const QString name = QString::fromStdString(file.filename().string());
  switch (cause) {
    case SaveError::Cause::AccessDenied:
      return TunerWindow::tr("Access to %1 was denied.").arg(name);
    case SaveError::Cause::DiskFull:
      return TunerWindow::tr("Disk full while accessing %1.").arg(name);
    case SaveError::Cause::Other:
      break;
  }
  return TunerWindow::tr("An unexpected file error occurred while accessing %1.").arg(name);
}

bool ExecOptions(OptionsDialog& dialog) {
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace

TunerWindow::TunerWindow(TonePlayer& player, MidiOutputs& outputs, StoredSettings& settings,
                         QWidget* parent)
    : QDialog(parent),
      player_(player),
      outputs_(outputs),
      settings_(settings),
      reportSaveError_(ShowSaveError),
      runOptions_(ExecOptions),
      units_(ApplicationBaseUnits()) {
  setWindowTitle(tr("MorrowFane"));
  setFont(DialogFont(units_));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  CreateControls();

  player_.ApplySettings(settings_.Value());
  LayOutStrings();
  PrepareOutput();

  state_ = std::make_unique<StringButtons>(
      player_, [this](int stringNumber, const std::string& note, bool lit) {
        Label(stringNumber, note, lit);
      });
  // Reported on the note's worker; the string-button state hears of it on this thread.
  player_.SetDeviceLostHandler([this](TonePlayer::NoteId note) {
    QMetaObject::invokeMethod(
        this, [this, note] { state_->NoteLost(note); }, Qt::QueuedConnection);
  });
  for (int k = 1; k <= kMaxStringCount; ++k) {
    auto* shortcut = new QShortcut(QKeySequence(kStringKeys[k - 1]), this);
    connect(shortcut, &QShortcut::activated, this, [this, k] { PressByKey(k); });
  }
  LabelAllUnlit();
  // The Menu key opens the context menu through Qt itself; Shift+F10 is its other usual key.
  auto* menuShortcut = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
  connect(menuShortcut, &QShortcut::activated, this, &TunerWindow::ShowContextMenuByKey);

  // The platform's window manager owns the system menu here, so the About item is offered in
  // the window's context menu and on F1; on Windows it goes into the system menu (showEvent).
  aboutAction_ = new QAction(tr("&About MorrowFane..."), this);
  aboutAction_->setShortcut(QKeySequence(Qt::Key_F1));
  aboutAction_->setShortcutContext(Qt::WindowShortcut);
  connect(aboutAction_, &QAction::triggered, this, &TunerWindow::ShowAbout);
  addAction(aboutAction_);
  setContextMenuPolicy(Qt::ActionsContextMenu);

  setWindowIcon(ApplicationIcon());
  optionsButton_->setFocus();
}

TunerWindow::~TunerWindow() {
  // Reports still queued for this window are dropped with it.
  player_.SetDeviceLostHandler({});
}

void TunerWindow::CreateControls() {
  optionsButton_ = new QPushButton(tr("&Options..."), this);
  closeButton_ = new QPushButton(tr("&Close"), this);
  closeButton_->setDefault(true);
  connect(optionsButton_, &QPushButton::clicked, this, &TunerWindow::RunOptions);
  connect(closeButton_, &QPushButton::clicked, this, &TunerWindow::accept);
}

IconButton* TunerWindow::MakeStringButton(int stringNumber) {
  auto* button = new IconButton(this);
  button->setGeometry(Pixels(TunerLayout::StringButton(stringNumber)));
  button->setAutoDefault(false);
  button->SetFlatFocus(true);
  // Checked shows a screen reader which string is lit; only the string-button state sets it.
  button->setCheckable(true);
  connect(button, &IconButton::clicked, this,
          [this, stringNumber] { state_->PressString(stringNumber); });
  button->show();
  return button;
}

QRect TunerWindow::Pixels(const QRect& dialogUnits) const {
  return DialogRect(dialogUnits.x(), dialogUnits.y(), dialogUnits.width(), dialogUnits.height(),
                    units_);
}

IconButton& TunerWindow::StringButton(int stringNumber) {
  return *buttons_.at(stringNumber - 1);
}

void TunerWindow::SetSaveErrorReporter(MessageFunction report) {
  reportSaveError_ = std::move(report);
}

void TunerWindow::SetOptionsRunner(OptionsRunner run) {
  runOptions_ = std::move(run);
}

void TunerWindow::SetOptionsWarning(MessageFunction warn) {
  optionsWarning_ = std::move(warn);
}

void TunerWindow::LayOutStrings() {
  const int strings = InstrumentOf(settings_.Value().Strings).stringCount;
  const TunerLayout layout(strings);
  setFixedSize(Pixels(layout.window).size());
  setAccessibleDescription(
      tr("Keys 1 to %1 play the strings; F1 opens the About box; Escape closes the window.")
          .arg(strings));
  optionsButton_->setGeometry(Pixels(layout.options));
  closeButton_->setGeometry(Pixels(layout.close));
  // Buttons are made and removed as the instrument needs them, so that no hidden button
  // lingers in the window for a screen reader to find.
  for (int k = 1; k <= kMaxStringCount; ++k) {
    IconButton*& button = buttons_[static_cast<std::size_t>(k - 1)];
    if (k <= strings && button == nullptr) {
      button = MakeStringButton(k);
    } else if (k > strings && button != nullptr) {
      delete button;
      button = nullptr;
    }
  }
  // Tab follows the window from left to right: the strings, Options, Close. A keyboard user
  // reaches every string, and its focus mark shows which one has the focus.
  QWidget* previous = nullptr;
  for (int k = 1; k <= strings; ++k) {
    IconButton* button = buttons_[static_cast<std::size_t>(k - 1)];
    if (previous != nullptr) {
      setTabOrder(previous, button);
    }
    previous = button;
  }
  setTabOrder(previous, optionsButton_);
  setTabOrder(optionsButton_, closeButton_);
}

void TunerWindow::Label(int stringNumber, const std::string& note, bool lit) {
  IconButton& button = StringButton(stringNumber);
  // The icon shows the note's name; a screen reader also says its octave.
  const auto keys = KeysOf(settings_.Value());
  const auto string = static_cast<std::size_t>(stringNumber - 1);
  const QString spoken =
      keys && string < keys->size() ? SpokenNote((*keys)[string]) : QString::fromStdString(note);
  button.setAccessibleName(tr("String %1: %2").arg(stringNumber).arg(spoken));
  button.SetIcons(NoteIcon(note, lit), 0, kNoteIconSize, kNoteIconSize);
  // A change of the checked state sends the state-change event a screen reader announces.
  button.setChecked(lit);
}

void TunerWindow::LabelAllUnlit() {
  const Tuning tuning = TuningOf(settings_.Value());
  for (std::size_t k = 0; k < tuning.size(); ++k) {
    Label(static_cast<int>(k) + 1, tuning[k], false);
  }
}

void TunerWindow::PrepareOutput() {
  const PlaybackSettings& settings = settings_.Value();
  if (const auto deviceId = ChosenDeviceId(settings, outputs_)) {
    outputs_.Prepare(*deviceId, settings.Instrument, KeysSounded(settings.Strings));
  }
}

// The press acts at once; the button only shows itself pressed for a moment afterwards (a click
// animation would act only once it had run).
void TunerWindow::PressByKey(int stringNumber) {
  if (stringNumber > InstrumentOf(settings_.Value().Strings).stringCount) {
    return;
  }
  IconButton& button = StringButton(stringNumber);
  // The focus moves along, so a screen reader says which string sounds.
  button.setFocus(Qt::ShortcutFocusReason);
  button.setDown(true);
  state_->PressString(stringNumber);
  QTimer::singleShot(kKeyPressShowTime, &button, [&button] { button.setDown(false); });
}

void TunerWindow::ShowContextMenuByKey() {
  const QWidget* focused = focusWidget() != nullptr ? focusWidget() : this;
  const QPoint position = focused->mapTo(this, focused->rect().center());
  QContextMenuEvent event(QContextMenuEvent::Keyboard, position, mapToGlobal(position));
  QCoreApplication::sendEvent(this, &event);
}

void TunerWindow::RunOptions() {
  state_->OptionsOpened();
  OptionsDialog dialog(outputs_, settings_.Value(), this, optionsWarning_);
  if (!runOptions_(dialog)) {
    return;
  }
  settings_.Set(dialog.Settings());
  player_.ApplySettings(settings_.Value());
  LayOutStrings();
  LabelAllUnlit();
  PrepareOutput();
  state_->OptionsConfirmed();
}

void TunerWindow::ShowAbout() {
  AboutBox about(this);
  about.exec();
}

bool TunerWindow::Save() {
  if (const auto error = settings_.Save()) {
    reportSaveError_(this, SaveErrorText(error->cause, settings_.File()));
    return false;
  }
  return true;
}

void TunerWindow::accept() {
  if (Save()) {
    QDialog::accept();
  }
}

void TunerWindow::closeEvent(QCloseEvent* event) {
  if (!Save()) {
    event->ignore();
    return;
  }
  // Ends the window as cancelled.
  QDialog::closeEvent(event);
}

void TunerWindow::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  const int y = DialogUnitsToPixelsY(TunerLayout::kSeparatorY, units_);
  painter.drawLine(0, y, width() - 1, y);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(0, y + 1, width() - 1, y + 1);
}

#ifdef Q_OS_WIN
namespace {
// The low four bits of a system command are the platform's own.
constexpr WPARAM kSystemCommandMask = 0xFFF0;
}  // namespace

void TunerWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (systemMenuExtended_) {
    return;
  }
  systemMenuExtended_ = true;
  HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
  const QString text = aboutAction_->text();
  if (menu != nullptr && !text.isEmpty()) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommandId, reinterpret_cast<LPCWSTR>(text.utf16()));
  }
}

bool TunerWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
  const auto* msg = static_cast<const MSG*>(message);
  if (msg->message == WM_SYSCOMMAND && (msg->wParam & kSystemCommandMask) == kAboutCommandId) {
    ShowAbout();
    *result = 0;
    return true;
  }
  return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace morrowfane
