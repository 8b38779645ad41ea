// CMasterVolume on the simulated sound card: opening and the ways it stays closed, mute and
// list switching of the speaker line, the volume's bounds, and change notifications.
#include "mixer/master_volume.h"

#include <vector>

#include "sim/winsim/sound_card.h"
#include "sim/winsim/window_manager.h"
#include "tests/procs/procs_fixture.h"

namespace procs_test {
namespace {

constexpr DWORD kNone = 0xFFFFFFFF;

class MasterVolumeTest : public ProcsTest {
 protected:
  void SetUp() override { Boot("xp"); }
  winsim::MixerLine& Speakers() { return Pc().Sound().lines[0]; }
  winsim::MixerControl& SpeakerControl(DWORD id) { return *Pc().Sound().FindControl(id); }
  // What the instance leaves once destroyed: no mixer handle, no window, no receiver.
  void ExpectNothingLeft(DWORD pid) {
    EXPECT_EQ(0u, Pc().Sound().OpenCount(pid));
    EXPECT_EQ(0u, Pc().Windows().Count());
    EXPECT_EQ(nullptr, g_pMasterVolume);
  }
  static void DeliverMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
};

TEST_F(MasterVolumeTest, OpensTheSpeakerLineOfTheStandardCard) {
  DWORD pid = InProgram([&] {
    CMasterVolume volume;
    EXPECT_TRUE(volume.m_bMixerOpen);
    EXPECT_TRUE(volume.m_bControlsReady);
    EXPECT_TRUE(volume.IsVolumeAvailable());
    EXPECT_EQ(&volume, g_pMasterVolume);
    EXPECT_EQ(2u, volume.m_cChannels);
    EXPECT_EQ(Speakers().id, volume.m_dwLineId);
    EXPECT_EQ(1u, volume.m_dwVolumeControlId);
    EXPECT_EQ(0u, volume.GetVolumeMinimum());
    EXPECT_EQ(0xFFFFu, volume.GetVolumeMaximum());
    EXPECT_EQ(0xFFFFu, volume.GetVolumeSteps());
    EXPECT_EQ(0xC000u, volume.GetVolume());
    EXPECT_EQ(1u, Pc().Sound().OpenCount(Pc().CurrentPid())) << "the wave output was closed again";
    const winsim::SimWindow* window = Pc().Windows().Find(volume.m_hMsgWnd);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("Master Output Volume Msg Wnd Class", window->className);
    EXPECT_EQ("Master Output Volume Msg Wnd", window->text);
    EXPECT_EQ(DWORD(WS_POPUP | WS_DISABLED), window->style);
    EXPECT_FALSE(window->visible);
  });
  ExpectNothingLeft(pid);
}

TEST_F(MasterVolumeTest, SoundOffMutesTheLineAndDeselectsItsListsSoundOnUndoes) {
  // A mixer control on the speaker line, not uniform, three items on each of two channels.
  Speakers().controls.push_back(winsim::SoundCard::MakeControl(
      10, MIXERCONTROL_CONTROLTYPE_MIXER, MIXERCONTROL_CONTROLF_MULTIPLE, 3, "Output Mix", 2, 1));
  Speakers().controls.push_back(winsim::SoundCard::MakeControl(
      11, MIXERCONTROL_CONTROLTYPE_SINGLESELECT, MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE,
      2, "Output Select", 2, 1));
  InProgram([&] {
    CMasterVolume volume;
    EXPECT_EQ(0, volume.GetMute());
    volume.SoundOff();
    EXPECT_EQ(1, volume.GetMute());
    EXPECT_EQ(std::vector<DWORD>{1}, SpeakerControl(2).values);
    EXPECT_EQ(std::vector<DWORD>(6, 0), SpeakerControl(10).values);
    EXPECT_EQ(std::vector<DWORD>(2, 0), SpeakerControl(11).values);
    EXPECT_EQ(0xC000u, volume.GetVolume()) << "the volume is left alone";
    volume.SoundOn();
    EXPECT_EQ(std::vector<DWORD>{0}, SpeakerControl(2).values);
    EXPECT_EQ(std::vector<DWORD>(6, 1), SpeakerControl(10).values);
    EXPECT_EQ(std::vector<DWORD>(2, 1), SpeakerControl(11).values);
  });
  EXPECT_EQ((std::vector<DWORD>{1, 0}), Pc().Sound().FindControl(3)->values)
      << "the recording line's source stays as it was";
}

TEST_F(MasterVolumeTest, SetVolumeKeepsWithinTheBoundsOnEveryChannel) {
  InProgram([&] {
    CMasterVolume volume;
    volume.SetVolume(0x10000);
    EXPECT_EQ((std::vector<DWORD>{0xC000, 0xC000}), SpeakerControl(1).values);
    volume.SetVolume(0x1234);
    EXPECT_EQ((std::vector<DWORD>{0x1234, 0x1234}), SpeakerControl(1).values);
    EXPECT_EQ(0x1234u, volume.GetVolume());
    volume.SetVolume(0xFFFF);
    EXPECT_EQ(0xFFFFu, volume.GetVolume());
  });
}

// A driver's channel count is believed up to 4096 values; beyond that the volume is neither
// read nor written, rather than an array of that size allocated and handed to the driver.
TEST_F(MasterVolumeTest, ChannelCountsBeyondAnyCardAreNotBelieved) {
  for (DWORD channels : {DWORD(4096), DWORD(4097), DWORD(0x40000001)}) {
    SCOPED_TRACE(channels);
    Boot("xp");
    Speakers().channels = channels;
    const bool believed = channels <= 4096;
    SpeakerControl(1).values.assign(believed ? channels : 2, 0x8000);
    InProgram([&] {
      CMasterVolume volume;
      volume.SetVolume(0x1234);
      EXPECT_EQ(believed ? 0x1234u : 0x8000u, SpeakerControl(1).values.back());
      EXPECT_EQ(believed ? 0x1234u : DWORD(-1), volume.GetVolume());
    });
  }
}

TEST_F(MasterVolumeTest, WithoutACardOrASpeakerLineItStaysClosedAndDoesNothing) {
  for (bool hasCard : {false, true}) {
    SCOPED_TRACE(hasCard ? "no speaker line" : "no card");
    Boot("xp");
    Pc().Sound().present = hasCard;
    if (hasCard) Pc().Sound().lines.erase(Pc().Sound().lines.begin());
    size_t timeline = Pc().Events().Lines().size();
    DWORD pid = InProgram([&] {
      CMasterVolume volume;
      EXPECT_FALSE(volume.m_bMixerOpen);
      EXPECT_FALSE(volume.IsVolumeAvailable());
      EXPECT_EQ(nullptr, g_pMasterVolume);
      EXPECT_EQ(0u, Pc().Sound().OpenCount(Pc().CurrentPid()));
      volume.SoundOff();
      volume.SetVolume(5);
      EXPECT_EQ(-1, volume.GetMute());
      EXPECT_EQ(kNone, volume.GetVolume());
      EXPECT_EQ(kNone, volume.GetVolumeMaximum());
      EXPECT_EQ(kNone, volume.GetVolumeSteps());
    });
    ExpectNothingLeft(pid);
    EXPECT_EQ(timeline + 2, Pc().Events().Lines().size()) << "only the program's start and end";
  }
}

TEST_F(MasterVolumeTest, ADisabledVolumeControlLeavesMuteSwitching) {
  SpeakerControl(1).flags |= MIXERCONTROL_CONTROLF_DISABLED;
  InProgram([&] {
    CMasterVolume volume;
    EXPECT_TRUE(volume.m_bControlsReady);
    EXPECT_FALSE(volume.IsVolumeAvailable());
    EXPECT_EQ(kNone, volume.GetVolume());
    volume.SetVolume(0x1000);
    EXPECT_EQ((std::vector<DWORD>{0xC000, 0xC000}), SpeakerControl(1).values);
    volume.SoundOff();
    EXPECT_EQ(std::vector<DWORD>{1}, SpeakerControl(2).values);
  });
}

TEST_F(MasterVolumeTest, ALineWithoutAMuteControlReadsAsUnknown) {
  Speakers().controls.erase(Speakers().controls.begin() + 1);
  InProgram([&] {
    CMasterVolume volume;
    EXPECT_TRUE(volume.m_bControlsReady);
    EXPECT_EQ(-1, volume.GetMute());
  });
}

std::vector<std::pair<DWORD, DWORD>> g_calls;
void RecordCall(DWORD volume, DWORD user) { g_calls.emplace_back(volume, user); }

TEST_F(MasterVolumeTest, AVolumeChangeReachesTheCallbackOtherControlsDoNot) {
  g_calls.clear();
  InProgram([&] {
    CMasterVolume volume;
    volume.SetChangeCallback(RecordCall, 77);
    volume.SoundOff();  // the mute control: another identifier
    DeliverMessages();
    EXPECT_TRUE(g_calls.empty());
    volume.SetVolume(0x2000);
    DeliverMessages();
    EXPECT_EQ((std::vector<std::pair<DWORD, DWORD>>{{0x2000, 77}}), g_calls);
    volume.SetVolume(0x2000);  // no change, no notification
    DeliverMessages();
    EXPECT_EQ(1u, g_calls.size());
  });
}

}  // namespace
}  // namespace procs_test
