// The simulated winmm functions, through the seam only: record sizes, which objects name the
// mixer, the queries by destination, id, type and control, details shapes, handles owned by
// their process, and change reports.
#include <cstring>
#include <string>
#include <vector>

#include "sim/winsim/sound_card.h"
#include "tests/procs/procs_fixture.h"

namespace procs_test {
namespace {

constexpr DWORD kMarker = 0x5A5A5A5A;

class Winmm : public ProcsTest {
 protected:
  void SetUp() override { Boot("xp"); }

  static WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = WORD(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
  }
  static HMIXER OpenMixer() {
    HMIXER mixer = nullptr;
    EXPECT_EQ(MMSYSERR_NOERROR, mixerOpen(&mixer, 0, 0, 0, CALLBACK_NULL));
    return mixer;
  }
  static HMIXEROBJ Object(HMIXER mixer) { return reinterpret_cast<HMIXEROBJ>(mixer); }
  static MIXERLINEA Line() {
    MIXERLINEA line;
    std::memset(&line, 0x5A, sizeof line);
    line.cbStruct = sizeof line;
    return line;
  }
};

TEST_F(Winmm, TheWaveOutputTakesPlainPcmAndNamesTheMixer) {
  InProgram([&] {
    EXPECT_EQ(1u, mixerGetNumDevs());
    HWAVEOUT wave = nullptr;
    WAVEFORMATEX bad = Pcm(1, 22050, 16);
    bad.nAvgBytesPerSec = 22050;  // not rate x block alignment
    EXPECT_EQ(UINT(WAVERR_BADFORMAT), waveOutOpen(&wave, WAVE_MAPPER, &bad, 0, 0, CALLBACK_NULL));
    WAVEFORMATEX threeChannels = Pcm(3, 22050, 16);
    EXPECT_EQ(UINT(WAVERR_BADFORMAT), waveOutOpen(&wave, WAVE_MAPPER, &threeChannels, 0, 0, CALLBACK_NULL));
    WAVEFORMATEX good = Pcm(1, 22050, 16);
    EXPECT_EQ(UINT(MMSYSERR_BADDEVICEID), waveOutOpen(&wave, 1, &good, 0, 0, CALLBACK_NULL));
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), waveOutOpen(nullptr, WAVE_MAPPER, &good, 0, 0, CALLBACK_NULL));
    ASSERT_EQ(UINT(MMSYSERR_NOERROR), waveOutOpen(&wave, WAVE_MAPPER, &good, 0, 0, CALLBACK_NULL));
    UINT id = kMarker;
    EXPECT_EQ(UINT(MMSYSERR_NOERROR), mixerGetID(reinterpret_cast<HMIXEROBJ>(wave), &id, MIXER_OBJECTF_HWAVEOUT));
    EXPECT_EQ(0u, id);
    EXPECT_EQ(UINT(MMSYSERR_NOERROR), waveOutClose(wave));
    id = kMarker;
    EXPECT_EQ(UINT(MMSYSERR_INVALHANDLE), mixerGetID(reinterpret_cast<HMIXEROBJ>(wave), &id, MIXER_OBJECTF_HWAVEOUT));
    EXPECT_EQ(kMarker, id);
    EXPECT_EQ(UINT(MMSYSERR_INVALHANDLE), waveOutClose(wave));
  });
  Pc().Sound().present = false;
  InProgram([&] {
    EXPECT_EQ(0u, mixerGetNumDevs());
    HWAVEOUT wave = nullptr;
    WAVEFORMATEX good = Pcm(2, 44100, 16);
    EXPECT_EQ(UINT(MMSYSERR_BADDEVICEID), waveOutOpen(&wave, WAVE_MAPPER, &good, 0, 0, CALLBACK_NULL));
    HMIXER mixer = nullptr;
    EXPECT_EQ(UINT(MMSYSERR_BADDEVICEID), mixerOpen(&mixer, 0, 0, 0, CALLBACK_NULL));
  });
}

TEST_F(Winmm, LinesAreFoundByDestinationIdComponentAndTarget) {
  InProgram([&] {
    HMIXER mixer = OpenMixer();
    MIXERLINEA line = Line();
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    // An open mixer handle also serves where a mixer id is asked for, as winmm takes it.
    ASSERT_EQ(UINT(MMSYSERR_NOERROR), mixerGetLineInfoA(Object(mixer), &line, MIXER_GETLINEINFOF_COMPONENTTYPE));
    EXPECT_EQ(0u, line.dwDestination);
    EXPECT_EQ(2u, line.cChannels);
    EXPECT_EQ(2u, line.cControls);
    EXPECT_EQ(0u, line.dwUser);
    EXPECT_EQ(DWORD(MIXERLINE_TARGETTYPE_WAVEOUT), line.Target.dwType);
    EXPECT_STREQ("SoundMAX Digital Audio", line.Target.szPname);
    const DWORD speakers = line.dwLineID;

    MIXERLINEA byId = Line();
    byId.dwLineID = speakers;
    EXPECT_EQ(UINT(MMSYSERR_NOERROR), mixerGetLineInfoA(Object(mixer), &byId, MIXER_GETLINEINFOF_LINEID | MIXER_OBJECTF_HMIXER));
    EXPECT_EQ(0, std::memcmp(&line, &byId, sizeof line));
    MIXERLINEA second = Line();
    second.dwDestination = 1;
    EXPECT_EQ(UINT(MMSYSERR_NOERROR), mixerGetLineInfoA(nullptr, &second, MIXER_GETLINEINFOF_DESTINATION));
    EXPECT_EQ(DWORD(MIXERLINE_COMPONENTTYPE_DST_WAVEIN), second.dwComponentType);

    MIXERLINEA missing = Line();
    missing.dwDestination = 2;
    EXPECT_EQ(UINT(MIXERR_INVALLINE), mixerGetLineInfoA(Object(mixer), &missing, MIXER_GETLINEINFOF_DESTINATION));
    EXPECT_EQ(0x5A5A5A5Au, missing.dwLineID) << "a failed query writes nothing";
    MIXERLINEA small = Line();
    small.cbStruct = sizeof small - 4;
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerGetLineInfoA(Object(mixer), &small, MIXER_GETLINEINFOF_DESTINATION));
    MIXERLINEA stale = Line();
    EXPECT_EQ(UINT(MMSYSERR_BADDEVICEID), mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(uintptr_t(1)), &stale, 0));
    EXPECT_EQ(UINT(MMSYSERR_INVALHANDLE), mixerGetLineInfoA(nullptr, &stale, MIXER_OBJECTF_HMIXER));
    EXPECT_EQ(UINT(MMSYSERR_NOERROR), mixerClose(mixer));
    EXPECT_EQ(UINT(MMSYSERR_INVALHANDLE), mixerClose(mixer));
  });
}

TEST_F(Winmm, ControlsComeAllOrOneByIdOrType) {
  InProgram([&] {
    HMIXER mixer = OpenMixer();
    MIXERCONTROLA controls[2];
    std::memset(controls, 0x5A, sizeof controls);
    MIXERLINECONTROLSA query{sizeof query, 0xFFFF0000, {0}, 2, sizeof(MIXERCONTROLA), controls};
    ASSERT_EQ(UINT(MMSYSERR_NOERROR), mixerGetLineControlsA(Object(mixer), &query, MIXER_GETLINECONTROLSF_ALL));
    EXPECT_EQ(DWORD(MIXERCONTROL_CONTROLTYPE_VOLUME), controls[0].dwControlType);
    EXPECT_EQ(0xFFFFu, controls[0].Bounds.dwMaximum);
    EXPECT_EQ(DWORD(MIXERCONTROL_CONTROLTYPE_MUTE), controls[1].dwControlType);
    EXPECT_EQ(DWORD(MIXERCONTROL_CONTROLF_UNIFORM), controls[1].fdwControl);
    EXPECT_STREQ("Master Mute", controls[1].szName);
    EXPECT_EQ(sizeof(MIXERCONTROLA), controls[1].cbStruct);

    query.cControls = 1;
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerGetLineControlsA(Object(mixer), &query, MIXER_GETLINECONTROLSF_ALL))
        << "all controls need room for all";
    query.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    ASSERT_EQ(UINT(MMSYSERR_NOERROR), mixerGetLineControlsA(Object(mixer), &query, MIXER_GETLINECONTROLSF_ONEBYTYPE));
    EXPECT_EQ(2u, controls[0].dwControlID);
    query.dwControlType = MIXERCONTROL_CONTROLTYPE_MUX;
    EXPECT_EQ(UINT(MIXERR_INVALCONTROL), mixerGetLineControlsA(Object(mixer), &query, MIXER_GETLINECONTROLSF_ONEBYTYPE))
        << "the speakers have no MUX";
    query.dwLineID = 0;
    query.dwControlID = 3;
    ASSERT_EQ(UINT(MMSYSERR_NOERROR), mixerGetLineControlsA(Object(mixer), &query, MIXER_GETLINECONTROLSF_ONEBYID));
    EXPECT_EQ(0xFFFF0001u, query.dwLineID) << "the id query names the control's line";
    EXPECT_EQ(2u, controls[0].cMultipleItems);
    query.cbmxctrl = sizeof(MIXERCONTROLA) + 4;
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerGetLineControlsA(Object(mixer), &query, MIXER_GETLINECONTROLSF_ONEBYID));
    mixerClose(mixer);
  });
}

// Values go channel by channel, each with every item; one channel given sets them all; a
// uniform control takes one channel only.
TEST_F(Winmm, DetailsMustMatchTheControlsShape) {
  std::vector<std::string> before = Pc().Events().Lines();
  InProgram([&] {
    HMIXER mixer = OpenMixer();
    MIXERCONTROLDETAILS_UNSIGNED values[4] = {{kMarker}, {kMarker}, {kMarker}, {kMarker}};
    MIXERCONTROLDETAILS details{sizeof details, 1, 2, {nullptr}, sizeof(MIXERCONTROLDETAILS_UNSIGNED), values};
    ASSERT_EQ(UINT(MMSYSERR_NOERROR), mixerGetControlDetailsA(Object(mixer), &details, MIXER_GETCONTROLDETAILSF_VALUE));
    EXPECT_EQ(0xC000u, values[0].dwValue);
    EXPECT_EQ(0xC000u, values[1].dwValue);
    EXPECT_EQ(kMarker, values[2].dwValue);

    values[0].dwValue = 0x100;
    details.cChannels = 1;
    EXPECT_EQ(UINT(MMSYSERR_NOERROR), mixerSetControlDetails(Object(mixer), &details, MIXER_SETCONTROLDETAILSF_VALUE));
    EXPECT_EQ((std::vector<DWORD>{0x100, 0x100}), Pc().Sound().FindControl(1)->values);
    values[0].dwValue = 0x10000;
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerSetControlDetails(Object(mixer), &details, MIXER_SETCONTROLDETAILSF_VALUE))
        << "above the maximum";
    details.cChannels = 3;
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerGetControlDetailsA(Object(mixer), &details, 0));
    details.cChannels = 2;
    details.cbDetails = 8;
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerGetControlDetailsA(Object(mixer), &details, 0));

    MIXERCONTROLDETAILS mute{sizeof mute, 2, 2, {nullptr}, sizeof(MIXERCONTROLDETAILS_UNSIGNED), values};
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerGetControlDetailsA(Object(mixer), &mute, 0)) << "uniform: one channel";
    MIXERCONTROLDETAILS source{sizeof source, 3, 1, {nullptr}, sizeof(MIXERCONTROLDETAILS_UNSIGNED), values};
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerGetControlDetailsA(Object(mixer), &source, 0)) << "items missing";
    source.cMultipleItems = 2;
    ASSERT_EQ(UINT(MMSYSERR_NOERROR), mixerGetControlDetailsA(Object(mixer), &source, 0));
    EXPECT_EQ(1u, values[0].dwValue);
    EXPECT_EQ(0u, values[1].dwValue);
    MIXERCONTROLDETAILS nothing{sizeof nothing, 99, 1, {nullptr}, sizeof(MIXERCONTROLDETAILS_UNSIGNED), values};
    EXPECT_EQ(UINT(MIXERR_INVALCONTROL), mixerGetControlDetailsA(Object(mixer), &nothing, 0));
    mixerClose(mixer);
  });
  std::vector<std::string> after = Pc().Events().Lines();
  ASSERT_LE(before.size() + 3, after.size());
  EXPECT_EQ("0 mixer \"Master Volume\" 256 256", after[before.size() + 1]) << "one report, for the one change";
}

TEST_F(Winmm, HandlesBelongToTheirProcessAndGoWithIt) {
  HMIXER leaked = nullptr;
  DWORD first = InProgram([&] { leaked = OpenMixer(); });
  EXPECT_EQ(0u, Pc().Sound().OpenCount(first)) << "closed when the program ended";
  InProgram([&] {
    MIXERLINEA line = Line();
    EXPECT_EQ(UINT(MMSYSERR_INVALHANDLE), mixerGetLineInfoA(Object(leaked), &line, MIXER_OBJECTF_HMIXER));
    EXPECT_EQ(UINT(MMSYSERR_INVALHANDLE), mixerClose(leaked));
    HMIXER mixer = nullptr;
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM), mixerOpen(nullptr, 0, 0, 0, CALLBACK_NULL));
    EXPECT_EQ(UINT(MMSYSERR_BADDEVICEID), mixerOpen(&mixer, 1, 0, 0, CALLBACK_NULL));
    EXPECT_EQ(UINT(MMSYSERR_INVALPARAM),
              mixerOpen(&mixer, 0, reinterpret_cast<DWORD_PTR>(uintptr_t(0x1234)), 0, CALLBACK_WINDOW))
        << "the callback window must exist";
  });
}

}  // namespace
}  // namespace procs_test
