// CMasterVolume: the speaker line of the sound card that serves the default wave output,
// reached through the multimedia mixer. It switches the whole line on and off (mute and
// list controls) and reads and sets its master volume. Without a usable mixer it stays
// closed and every operation does nothing or answers 0xFFFFFFFF.
//
// Owned by the main frame; lives on the user-interface thread, whose message loop brings
// the mixer's change notifications to its hidden message window.
#pragma once

#include "platform/win32.h"

class CMasterVolume {
 public:
  typedef void (*ChangeCallback)(DWORD volume, DWORD userValue);

  CMasterVolume();
  ~CMasterVolume();
  CMasterVolume(const CMasterVolume&) = delete;
  CMasterVolume& operator=(const CMasterVolume&) = delete;

  virtual bool IsVolumeAvailable();
  virtual void SoundOn();
  virtual void SoundOff();
  virtual DWORD GetVolumeSteps();
  virtual DWORD GetVolumeMinimum();
  virtual DWORD GetVolumeMaximum();
  virtual DWORD GetVolume();
  virtual void SetVolume(DWORD value);
  virtual void SetChangeCallback(ChangeCallback callback, DWORD userValue);

  // The speaker line's mute switch as the mixer reads it now: 1 muted, 0 on, -1 when there
  // is no line or no mute control to read.
  int GetMute();

  // Called for the mixer's notification that a control changed.
  void OnControlChange(DWORD controlId);

  bool m_bMixerOpen;
  bool m_bControlsReady;
  bool m_bVolumeAvailable;
  UINT m_uMixerId;
  HMIXER m_hMixer;
  DWORD m_dwLineId;
  DWORD m_dwVolumeControlId;
  DWORD m_cChannels;
  HWND m_hMsgWnd;
  DWORD m_dwMinimum;
  DWORD m_dwMaximum;
  DWORD m_cSteps;
  ChangeCallback m_pfnChangeCallback;
  DWORD m_dwCallbackUser;

 private:
  bool OpenMixer();
  void CloseMixer();
  bool InitControls();
  void ApplyLineSwitches(bool on);
  HMIXEROBJ MixerObject() const { return reinterpret_cast<HMIXEROBJ>(m_hMixer); }
  static LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// The instance the message window's notifications reach: the last one opened, null once
// any instance is destroyed (the system keeps one).
extern PROCESS_WIDE CMasterVolume* g_pMasterVolume;
