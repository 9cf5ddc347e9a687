#pragma once

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cstdint>
#include <memory>

#include "bridge/settings_binding.h"
#include "files/app_settings.h"
#include "linked_ports.h"
#include "support/two_midi_systems.h"
#include "surface/surface_model.h"

namespace quorvane::testing {

constexpr std::uint32_t Word(int status, int data1, int data2) {
  return static_cast<std::uint32_t>(status | data1 << 8 | data2 << 16);
}

// The ports joined to a model whose definitions all have a controller, on the two systems.
class LinkedPortsTest : public ::testing::Test, protected TwoMidiSystems {
 protected:
  LinkedPortsTest() {
    for (int i = 0; i < kDefinitionCount; ++i) {
      model.MutablePages()[i].ctrl = static_cast<std::uint8_t>(20 + i % 100);
      model.MutablePages()[i].enabled = true;
    }
    model.ShowPage(1);
  }

  LinkedPorts MakePorts() { return LinkedPorts(model, Factory()); }

  LinkedPorts Started(const AppSettings& s) {
    LinkedPorts ports = MakePorts();
    ports.Start(s);
    return ports;
  }

  // The slider of slot `slot` on the page shown is dragged to value v.
  void Drag(int slot, int v) {
    model.Gestures().SetActiveSlot(slot);
    model.TrackBarMoved(slot, 127 - v);
  }

  SurfaceModel model;
};

inline const QString kJackNotRunning =
    QStringLiteral("The JACK server is not running: MIDI is off until it starts.");

// JACK asked for while its server is not running, and no other system there.
class JackNotRunningTest : public LinkedPortsTest {
 protected:
  JackNotRunningTest() {
    jack_available = false;
    alsa_available = false;
    settings.midi_api = QStringLiteral("JACK");
    settings.input_device1 = 1;
    settings.input_device1_name = QStringLiteral("Synth In");
    settings.input_device2 = 5;  // by number only, and not there once the server runs
    settings.output_device = 1;
    settings.output_device_name = QStringLiteral("Synth Out");
  }

  MidiPortsConfig Configured() const { return MidiPortsConfigOf(settings); }

  // The server starts; the ports come back on the next look.
  void ServerStarts(LinkedPorts& ports) {
    QSignalSpy notices(ports.get(), &MidiPorts::serviceNotice);
    jack_available = true;
    ASSERT_TRUE(notices.wait(5000));
    ASSERT_EQ(notices.size(), 1);
    notice = notices[0][0].toString();
  }

  AppSettings settings;
  QString notice;
};

}  // namespace quorvane::testing
