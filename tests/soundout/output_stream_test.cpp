// The output stream over the headless wave device: what the device is given
// and in which order, how soon a cue is heard, and how the stream ends (at
// exit, without a device, when the device goes quiet).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "diag/diag.h"
#include "headless/headless_wave_device.h"
#include "sound/channel_interface.h"
#include "sound/output_stream.h"
#include "sound/sequencer.h"
#include "sound/sound_engine.h"
#include "sound/sound_engine_state.h"

namespace {

constexpr char ITEM_CUE[] = "t120@2o6l32q7v14i35 gecx";
// A whole note at 120 beats a minute: two seconds, far longer than any test.
constexpr char LONG_CUE[] = "t120@1o4l1v15 c";
constexpr uint32_t WAIT_MS = 2000;

using Buffer = std::vector<uint8_t>;

void PlayCue(int ch, const char* text) {
  playChannelCue(ch, text);
}

bool Silent(const Buffer& b) {
  return std::all_of(b.begin(), b.end(), [](uint8_t v) { return v == 0; });
}

Buffer PlayedBuffer(const headless::HeadlessWaveDevice& device, size_t n) {
  const Buffer all = device.Played();
  if ((n + 1) * WAVE_BUFFER_SIZE > all.size()) return {};
  return Buffer(all.begin() + n * WAVE_BUFFER_SIZE, all.begin() + (n + 1) * WAVE_BUFFER_SIZE);
}

// What the mixer makes of a cue started on a fresh engine, buffer by buffer,
// without any stream: the reference the streamed buffers must equal.
std::vector<Buffer> ReferenceRender(int ch, const char* text, int buffers) {
  startSoundEngine();
  clearAllChannelText();
  PlayCue(ch, text);
  std::vector<Buffer> out;
  for (int b = 0; b < buffers; ++b) {
    Buffer buf(WAVE_BUFFER_SIZE);
    {
      std::lock_guard<std::mutex> lock(soundEngineMutex());
      renderMix(buf.data(), WAVE_BUFFER_SIZE);
    }
    out.push_back(buf);
  }
  releaseAllChannelText();
  stopSoundEngine();
  return out;
}

// Runs StopSoundOutput on another thread and reports whether it came back:
// a stream that cannot stop fails the test instead of hanging the suite.
bool StopsWithoutHanging() {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> stopped = done->get_future();
  std::thread([done] {
    StopSoundOutput();
    done->set_value();
  }).detach();
  return stopped.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

bool WaitUntilSilent() {
  for (int k = 0; k < 2000 && soundOutputRunning(); ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return !soundOutputRunning();
}

TEST(StreamStart, DeviceIsOpenedForSixteenBitStereoAt44100) {
  headless::HeadlessWaveDevice device;
  StartSoundOutput(&device);
  EXPECT_TRUE(device.IsOpen());
  const platform::WaveFormat f = device.Format();
  EXPECT_EQ(f.wFormatTag, 1);
  EXPECT_EQ(f.nChannels, 2);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.wBitsPerSample, 16);
  EXPECT_EQ(f.cbSize, 0);
  // Buffer 0 goes out silent at once, buffer 1 is rendered behind it.
  ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
  EXPECT_TRUE(soundOutputRunning());
  StopSoundOutput();
  EXPECT_FALSE(device.IsOpen());
}

TEST(StreamStart, EveryChannelCodeIsEmptyUntilSomethingIsCompiled) {
  headless::HeadlessWaveDevice device;
  StartSoundOutput(&device);
  {
    std::lock_guard<std::mutex> lock(soundEngineMutex());
    for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
      ASSERT_NE(gSoundChannels[ch].eventCode, nullptr) << ch;
      EXPECT_EQ(gSoundChannels[ch].eventCode[0], EV_STOP) << ch;
      EXPECT_EQ(gSoundChannels[ch].textHeld, 0) << ch;
      // Started with nothing compiled, a channel stops at its first step.
      startChannel(ch);
      EXPECT_EQ(gSoundChannels[ch].playing, 0) << ch;
    }
  }
  ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(device.Step());
  for (size_t n = 0; n < 3; ++n) EXPECT_TRUE(Silent(PlayedBuffer(device, n))) << n;
  StopSoundOutput();
}

TEST(StreamOrder, FirstPlayedBufferIsSilenceAndTheFirstRenderIsBufferOne) {
  const std::vector<Buffer> reference = ReferenceRender(7, ITEM_CUE, 3);
  ASSERT_FALSE(Silent(reference[0]));

  headless::HeadlessWaveDevice device;
  device.DeferOpenSignal();
  StartSoundOutput(&device);
  clearAllChannelText();
  PlayCue(7, ITEM_CUE);  // before the thread may render anything
  ASSERT_TRUE(device.WaitUntilQueued(1, WAIT_MS));
  EXPECT_EQ(soundBuffersRendered(), 0u);
  device.GiveOpenSignal();
  ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
  for (int k = 0; k < 4; ++k) ASSERT_TRUE(device.Step());

  EXPECT_TRUE(Silent(PlayedBuffer(device, 0)));
  // Then exactly the mixer's buffers, in order, each rendered once.
  for (size_t n = 0; n < 3; ++n) EXPECT_EQ(PlayedBuffer(device, n + 1), reference[n]) << n;
  EXPECT_EQ(device.WriteCount(), 6u);
  EXPECT_EQ(soundBuffersRendered(), 5u);
  StopSoundOutput();
}

TEST(StreamOrder, CueIsHeardWithinTwoBuffersOfItsStart) {
  const std::vector<Buffer> reference = ReferenceRender(6, ITEM_CUE, 1);
  headless::HeadlessWaveDevice device;
  StartSoundOutput(&device);
  clearAllChannelText();
  ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(device.Step());
  const size_t before = device.PlayedBuffers();

  PlayCue(6, ITEM_CUE);
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(device.Step());
  // At the start the device was playing one buffer with one queued behind
  // it, both rendered before; the cue fills the next one from its first
  // sample, so it sounds at most two buffer periods after its start.
  EXPECT_TRUE(Silent(PlayedBuffer(device, before)));
  EXPECT_TRUE(Silent(PlayedBuffer(device, before + 1)));
  EXPECT_EQ(PlayedBuffer(device, before + 2), reference[0]);
  StopSoundOutput();
}

TEST(StreamOrder, TwoBuffersFinishedWhileTheThreadWaitedAreBothRefilled) {
  headless::HeadlessWaveDevice device;
  StartSoundOutput(&device);
  ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
  ASSERT_TRUE(device.FinishBuffer());
  ASSERT_TRUE(device.FinishBuffer());
  // Both come back: the device is never left with a single buffer.
  EXPECT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
  StopSoundOutput();
}

TEST(StreamExit, ExitWhileACuePlaysRendersAtMostOneMoreBufferAndFreesEverything) {
  for (const bool justFinished : {false, true}) {
    SCOPED_TRACE(justFinished ? "a buffer just finished" : "thread waiting");
    headless::HeadlessWaveDevice device;
    StartSoundOutput(&device);
    clearAllChannelText();
    PlayCue(0, LONG_CUE);
    ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(device.Step());
    {
      std::lock_guard<std::mutex> lock(soundEngineMutex());
      ASSERT_EQ(gSoundChannels[0].playing, 1);
    }
    // A text still held at exit (no window released it) is freed as well.
    clearChannelText(3);
    if (justFinished) {
      ASSERT_TRUE(device.FinishBuffer());
    }
    const uint64_t rendered = soundBuffersRendered();

    ASSERT_TRUE(StopsWithoutHanging());
    EXPECT_LE(soundBuffersRendered(), rendered + 1);
    EXPECT_FALSE(soundOutputRunning());
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(scratchBuffer, nullptr);
    for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
      EXPECT_EQ(gSoundChannels[ch].eventCode, nullptr) << ch;
      EXPECT_EQ(channelText[ch], nullptr) << ch;
      EXPECT_EQ(gSoundChannels[ch].textHeld, 0) << ch;
    }
  }
}

// A program can end without StopSoundOutput: Xlib calls exit when the
// display server goes away. The stream's thread is then still running when
// the program-wide objects are destroyed, and that must end it rather than
// abort the program.
TEST(StreamExit, ExitingWhileTheStreamRunsEndsTheProgramNormally) {
#if defined(VELKARI_TESTS_UNDER_EMULATOR)
  // qemu-user cannot run the test program again for the threadsafe style; a
  // test alone in its process (as ctest runs it) has no thread to fork past.
  GTEST_FLAG_SET(death_test_style, "fast");
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
#endif
  EXPECT_EXIT(
      {
        headless::HeadlessWaveDevice device;
        StartSoundOutput(&device);
        PlayCue(0, "t150@1o4l8v12 cdef");
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "");
}

TEST(StreamExit, StopWithoutStartAndASecondStopDoNothing) {
  StopSoundOutput();
  headless::HeadlessWaveDevice device;
  StartSoundOutput(&device);
  StartSoundOutput(&device);  // already running: ignored
  ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
  EXPECT_EQ(device.WriteCount(), 2u);
  StopSoundOutput();
  StopSoundOutput();
  EXPECT_FALSE(soundOutputRunning());
}

// A stream whose device never returns a buffer: no device at all, a device
// that fails to open, and one that goes quiet after a while.
struct SilentCase {
  const char* name;
  bool haveDevice;
  bool opens;
  int stepsFirst;
  const char* said;  // the one line written, or "" for none
};

// The lines the stream writes; the output thread writes some of them.
std::mutex gSaidMutex;
std::string gSaid;
void Keep(const char* line) {
  std::lock_guard<std::mutex> lock(gSaidMutex);
  gSaid += line;
}
std::string TakeSaid() {
  std::lock_guard<std::mutex> lock(gSaidMutex);
  return std::exchange(gSaid, std::string());
}

TEST(StreamSilent, ThreadEndsAfterItsTimeOutAndExitDoesNotHang) {
  const SilentCase cases[] = {
      {"no device", false, false, 0, ""},
      {"device fails to open", true, false, 0,
       "velkari: no sound device could be opened; the game plays silent"},
      {"device goes quiet", true, true, 3,
       "velkari: the sound device stopped playing; the game goes on silent"},
  };
  SetDiagnosticSink(&Keep);
  for (const SilentCase& c : cases) {
    SCOPED_TRACE(c.name);
    TakeSaid();
    headless::HeadlessWaveDevice device(c.opens);
    StartSoundOutput(c.haveDevice ? &device : nullptr, 50);
    if (c.stepsFirst > 0) {
      ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
    }
    for (int k = 0; k < c.stepsFirst; ++k) ASSERT_TRUE(device.Step());
    ASSERT_TRUE(WaitUntilSilent());
    const uint64_t rendered = soundBuffersRendered();
    EXPECT_EQ(rendered, static_cast<uint64_t>(c.opens ? c.stepsFirst + 1 : 0));

    // The game goes on: cues are taken, nothing renders them.
    clearAllChannelText();
    PlayCue(7, ITEM_CUE);
    {
      std::lock_guard<std::mutex> lock(soundEngineMutex());
      EXPECT_EQ(gSoundChannels[7].playing, 1);
    }
    ASSERT_TRUE(StopsWithoutHanging());
    EXPECT_EQ(soundBuffersRendered(), rendered);
    EXPECT_EQ(channelText[0], nullptr);
    EXPECT_EQ(TakeSaid(), c.said);
  }
  SetDiagnosticSink(nullptr);
}

TEST(StreamSilent, ExitBeforeTheTimeOutWakesTheWaitingThread) {
  for (const bool haveDevice : {false, true}) {
    SCOPED_TRACE(haveDevice ? "device fails to open" : "no device");
    headless::HeadlessWaveDevice device(false);
    // A time-out far beyond the suite's patience: only the wake can end it.
    StartSoundOutput(haveDevice ? &device : nullptr, 600000);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(soundOutputRunning());
    ASSERT_TRUE(StopsWithoutHanging());
    EXPECT_FALSE(soundOutputRunning());
  }
}

// Without a thread (the web) the device drives the stream: each buffer it
// finishes is refilled on its own call of pumpSoundOutput, with the same
// buffers in the same order as the thread gives, and the stop runs the
// thread's last steps.
TEST(StreamDeviceDriven, GivesTheThreadsBuffersAndStopsOnTheCallersTurn) {
  const std::vector<Buffer> reference = ReferenceRender(7, ITEM_CUE, 3);
  headless::HeadlessWaveDevice device;
  SetStreamDriver(StreamDriver::Device);
  StartSoundOutput(&device);
  SetStreamDriver(StreamDriver::Thread);  // ignored while the stream runs
  // The open signal is taken at the start: silence and buffer 1 are queued.
  EXPECT_EQ(device.QueuedCount(), 2u);
  EXPECT_EQ(soundBuffersRendered(), 1u);
  EXPECT_TRUE(soundOutputRunning());
  clearAllChannelText();
  PlayCue(7, ITEM_CUE);
  for (int k = 0; k < 5; ++k) {
    ASSERT_TRUE(device.FinishBuffer());
    EXPECT_TRUE(pumpSoundOutput());
    EXPECT_EQ(device.QueuedCount(), 2u);
  }
  EXPECT_TRUE(Silent(PlayedBuffer(device, 0)));
  EXPECT_TRUE(Silent(PlayedBuffer(device, 1)));
  for (size_t n = 0; n < 3; ++n) EXPECT_EQ(PlayedBuffer(device, n + 2), reference[n]) << n;
  EXPECT_EQ(device.WriteCount(), 7u);

  clearChannelText(3);
  const uint64_t rendered = soundBuffersRendered();
  StopSoundOutput();
  EXPECT_EQ(soundBuffersRendered(), rendered);
  EXPECT_FALSE(soundOutputRunning());
  EXPECT_FALSE(pumpSoundOutput());
  EXPECT_EQ(channelText[3], nullptr);
  // Once the stream has stopped the driver can be changed back.
  SetStreamDriver(StreamDriver::Thread);
  StartSoundOutput(&device);
  ASSERT_TRUE(device.WaitUntilQueued(2, WAIT_MS));
  EXPECT_FALSE(pumpSoundOutput());
  StopSoundOutput();
}

}  // namespace
