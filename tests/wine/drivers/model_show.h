#pragma once

#include <memory>
#include <vector>

#include "driver_model.h"
#include "engine/driver_state.h"
#include "engine/frm_main.h"
#include "engine/serial_link.h"
#include "fakes/fake_platform.h"
#include "fakes/line_simulation.h"
#include "platform/win32/serial/comm_port.h"
#include "platform/win32/serial/port_lister.h"
#include "plugin/cls_output_driver.h"

namespace tarvolk::drivers {

// A host thread's engine (class, transmitter, link and the real COM port) on
// a model driver, in the model's time, with the timer's ticks as Windows
// delivers them at its default resolution: on 15.625 ms clock ticks, and never
// while the thread is held up.
class Show {
 public:
  static constexpr Duration kClockTick = std::chrono::microseconds(15625);

  Show();
  ~Show();

  template <class Model, class... Arguments>
  Model& Use(Arguments&... arguments) {
    auto model = std::make_unique<Model>(platform_.clock, arguments...);
    Model& used = *model;
    platform_.model = std::move(model);
    return used;
  }

  // Output on port 1 and `channels` channels, as a host does it.
  bool Enable(std::int32_t channels);
  bool Disable() { return driver_->Disable(); }
  bool SetChannel(std::int32_t channel, std::int32_t value) {
    return driver_->SetChannel(channel, value);
  }
  bool Term() { return driver_->Term(); }
  // The dialog closed with this channel count and port picked from its list
  // (0: COM1).
  void CloseDialog(const std::u16string& channelCount, int portIndex = 0);
  // The dialog shown: `whileShown` runs in its modal loop, then it closes as told.
  void ShowDialog(std::function<void()> whileShown, const fakes::CloseAttempt& close);
  fakes::FakeConfigView& Dialog() { return *platform_.view; }
  // The port the host's settings hold, as Init loads it.
  void StorePort(std::uint8_t port) { state_->PortNumber = port; }
  // How long a call held the thread up.
  template <class Call>
  Duration Timed(Call call) {
    const Duration before = Now();
    call();
    return Now() - before;
  }
  // Ticks for `span`, with the model's aside work between them.
  void Run(Duration span);
  // The thread ends without Disable.
  void EndThread();
  // The host starts on a thread again.
  void NewThread();
  // The timer's interval, as Windows' clock ticks lengthen it.
  Duration TickInterval() const;

  // Whether output is on.
  bool Sending() const { return state_ && state_->OutputEnabled; }
  Duration Now() const { return platform_.clock.Now(); }
  const engine::SerialLink& Link() { return state_->EngineWindow().MSComm1; }
  std::uint8_t PortNumber() const { return state_->PortNumber; }
  const std::vector<fakes::ShownMessage>& Messages() const { return platform_.messages.shown; }
  const std::vector<std::u16string>& Journal() const { return platform_.journal.lines; }
  // What the device made of the wire so far.
  dmx_interface::DecoderCounts Decoded() const;

  // How long ticks held the thread up, in all and at most.
  Duration tickHold{0};
  Duration longestTickHold{0};

 private:
  // The dialog listing the ports aside on the model, as its Windows side does.
  class ListingView final : public fakes::FakeConfigView {
   public:
    ListingView(fakes::FakePlatform& host, platform::ConfigViewEvents& events, DriverModel& model)
        : FakeConfigView(host.log, events, host.closeAttempts, host.whileShown), lister_(model) {}
    void ListPorts() override { lister_.Request(); }
    void Collect() {
      if (auto answer = lister_.Take()) AnswerListing(*answer);
    }

   private:
    platform::win32::serial::PortLister lister_;
  };

  class ModelPlatform final : public fakes::FakePlatform {
   public:
    std::unique_ptr<platform::SerialPort> CreateSerialPort() override {
      return std::make_unique<platform::win32::serial::CommPort>(*model);
    }
    std::unique_ptr<platform::ConfigView> CreateConfigView(
        platform::ConfigViewEvents& events) override {
      auto created = std::make_unique<ListingView>(*this, events, *model);
      view = listingView = created.get();
      ++viewsCreated;
      return created;
    }
    std::unique_ptr<DriverModel> model;
    ListingView* listingView = nullptr;
  };

  ModelPlatform platform_;
  std::unique_ptr<engine::DriverState> state_;
  std::unique_ptr<plugin::clsOutputDriver> driver_;
  std::uint8_t value_ = 0;
};

// A model driver as the line a whole show runs on (fakes::RunLineSimulation).
template <class Model>
class ModelLine final : public fakes::SimulatedLine {
 public:
  std::unique_ptr<platform::SerialPort> MakePort(fakes::EventLog&,
                                                 fakes::FakeClock& clock) override {
    model_ = std::make_unique<Model>(clock);
    return std::make_unique<platform::win32::serial::CommPort>(*model_);
  }
  const std::vector<fakes::WireByte>& Wire() const override { return model_->Wire(); }
  const Model& Driver() const { return *model_; }

 private:
  std::unique_ptr<Model> model_;
};

}  // namespace tarvolk::drivers
