#pragma once

#include <QComboBox>
#include <QString>

#include "player/MidiOutput.h"

namespace morrowfane {

// The options dialog's playback device list. Each entry holds a device's raw name and its state,
// and shows the state in words beside the name. The closed list shortens the name, never the
// state; the opened list is as wide as its widest entry.
class DeviceComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit DeviceComboBox(QWidget* parent = nullptr);

  // How a state reads beside a device's name; empty when the device can play.
  static QString StateText(DeviceState state);
  // A device's name as listed: with its state in brackets unless it can play.
  static QString Label(const QString& name, DeviceState state);

  void AddDevice(const QString& name, DeviceState state);
  // The raw name of the entry at `index`, whatever its label says; empty for no entry.
  QString NameAt(int index) const;
  // The entry of the device with that raw name, or -1.
  int IndexOfName(const QString& name) const;
  // What the closed list shows of the current entry: its label, with the name shortened to fit.
  QString ClosedText() const;

  // Opens the list at least as wide as its widest entry.
  void showPopup() override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int ClosedTextWidth() const;
};

}  // namespace morrowfane
