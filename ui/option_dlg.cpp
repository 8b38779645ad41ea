// The option dialog: the user key's program and the two switches in the settings file.
#include "ui/option_dlg.h"

#include <cstring>
#include <cstring>
#include <vector>

#include "app/instance_match.h"
#include "app/version_code.h"
#include "procs/process_enumerator.h"
#include "settings/settings_keys.h"

namespace tavos {

bool ChosenNameClashes(const char* processName, const char* chosenName, int versionCode) {
  static const char kProgram[] = "TAVOS.EXE";
  if (std::strstr(chosenName, kProgram) == nullptr) return false;
  if (versionCode == 500 || versionCode == 501) return std::strcmp(processName, chosenName) == 0;
  const char* at = std::strstr(processName, kProgram);
  return at != nullptr && std::strcmp(at, chosenName) == 0;
}

}  // namespace tavos

namespace {

CString Upper(LPCSTR text) {
  std::vector<char> upper(text, text + std::strlen(text) + 1);
  tavos::UpperMultibyte(upper.data(), upper.size() - 1);
  return CString(upper.data());
}

}  // namespace

BEGIN_MESSAGE_MAP(COptionDlg, CDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_BUTTON_OK, OnButtonOk)
ON_BN_CLICKED(IDC_SELECT_FILE, OnSelectFile)
ON_BN_CLICKED(IDC_BUTTON_CANCEL, OnButtonCancel)
ON_BN_CLICKED(IDC_CHECK_STARTUP, OnCheckStartup)
ON_BN_CLICKED(IDC_CHECK_MUTE, OnCheckMute)
END_MESSAGE_MAP()

COptionDlg::COptionDlg(CWnd* pParent)
    : CDialog(IDD_OPTION, pParent), m_szWindowsDirectory{}, m_strFilePath(""), m_nOsVersion(0) {
  m_hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_ENABLED));
}

COptionDlg::~COptionDlg() = default;

void COptionDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_CHECK_MUTE, m_checkMute);
  DDX_Control(pDX, IDC_SELECT_FILE, m_btnSelectFile);
  DDX_Control(pDX, IDC_CHECK_STARTUP, m_checkStartup);
  DDX_Control(pDX, IDC_EDIT_FILE, m_editFile);
  DDX_Text(pDX, IDC_EDIT_FILE, m_strFilePath);
}

BOOL COptionDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  // The system-menu item has no handler: choosing it does nothing.
  CMenu* systemMenu = GetSystemMenu(FALSE);
  CString aboutItem;
  aboutItem.LoadString(IDS_ABOUTBOX);
  if (systemMenu != nullptr && !aboutItem.IsEmpty()) {
    systemMenu->AppendMenu(MF_SEPARATOR);
    systemMenu->AppendMenu(MF_STRING, IDM_SYSMENU_ABOUT, aboutItem);
  }
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  ::GetWindowsDirectoryA(m_szWindowsDirectory, MAX_PATH);
  m_strSettingsPath = m_szWindowsDirectory;
  m_strSettingsPath += "\\";
  m_strSettingsPath += tavos::kSettingsFileName;

  // Only the exact keywords count; anything else leaves a box as the template made it.
  char value[80] = "";
  ::GetPrivateProfileStringA("ENABLESTART", "CHECK", "", value, sizeof value, m_strSettingsPath);
  if (std::strcmp(value, "DISABLE") == 0)
    m_checkStartup.SetCheck(BST_UNCHECKED);
  else if (std::strcmp(value, "ENABLE") == 0)
    m_checkStartup.SetCheck(BST_CHECKED);
  value[0] = '\0';
  ::GetPrivateProfileStringA("ENABLEMUTE", "CHECK", "", value, sizeof value, m_strSettingsPath);
  if (std::strcmp(value, "DISABLE") == 0) {
    m_checkMute.SetCheck(BST_UNCHECKED);
    m_btnSelectFile.EnableWindow(TRUE);
  } else if (std::strcmp(value, "ENABLE") == 0) {
    m_checkMute.SetCheck(BST_CHECKED);
    m_btnSelectFile.EnableWindow(FALSE);
  }
  return TRUE;
}

void COptionDlg::OnSelectFile() {
  CFileDialog dialog(TRUE, "exe", "*.exe", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     "EXE files (*.exe)|*.exe||", nullptr);
  if (dialog.DoModal() != IDOK) return;
  m_strFilePath = dialog.GetPathName();
  m_strFileName = Upper(dialog.GetFileName());
  m_editFile.SetWindowText(m_strFilePath);
}

void COptionDlg::OnButtonOk() {
  const CString chosen = Upper(m_strFileName);
  GetOsVersion();
  CProcessEnumerator enumerator;
  enumerator.SetMethod(ENUM_TOOLHELP | ENUM_VDM);
  CProcessEntry entry;
  for (BOOL more = enumerator.ProcessFirst(&entry); more; more = enumerator.ProcessNext(&entry)) {
    if (entry.hTask16 != 0) continue;
    if (tavos::ChosenNameClashes(Upper(entry.lpszName), chosen, m_nOsVersion)) {
      MessageBox("The Tavos.exe is ReLoad!!", nullptr, MB_ICONHAND | MB_OK);
      return;
    }
  }
  // What was typed into the box is not read: only a program chosen with Select File counts.
  TouchSettingsFile(m_strSettingsPath);
  ::WritePrivateProfileStringA("USERDEFINE", "EXECUTE",
                               m_strFilePath.IsEmpty() ? "NULL" : LPCSTR(m_strFilePath),
                               m_strSettingsPath);
  EndDialog(IDCANCEL);
}

void COptionDlg::OnButtonCancel() { EndDialog(IDCANCEL); }

void COptionDlg::OnCheckStartup() {
  TouchSettingsFile(m_strSettingsPath);
  ::WritePrivateProfileStringA("ENABLESTART", "CHECK",
                               m_checkStartup.GetCheck() == BST_CHECKED ? "ENABLE" : "DISABLE",
                               m_strSettingsPath);
}

void COptionDlg::OnCheckMute() {
  TouchSettingsFile(m_strSettingsPath);
  // Routing on: the next routed press mutes, and no program is chosen meanwhile.
  const bool routed = m_checkMute.GetCheck() == BST_CHECKED;
  const char* value = routed ? "ENABLE" : "DISABLE";
  ::WritePrivateProfileStringA("ENABLEMUTE", "CHECK", value, m_strSettingsPath);
  ::WritePrivateProfileStringA("ENABLEMUTE", "MUTE", value, m_strSettingsPath);
  m_btnSelectFile.EnableWindow(routed ? FALSE : TRUE);
}

void COptionDlg::GetOsVersion() {
  int code = 0;
  m_nOsVersion = tavos::QueryVersionCode(&code) ? code : 0;
}

void COptionDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  RECT client;
  GetClientRect(&client);
  int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR COptionDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }
