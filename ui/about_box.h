// CAboutBox: the about box (template 100). Its "EXIT" button closes only the box.
#pragma once

#include "afx/afxwin.h"
#include "ui/resource.h"

class CAboutBox : public CDialog {
 public:
  CAboutBox() : CDialog(IDD_ABOUTBOX, nullptr) {}
  ~CAboutBox() override = default;
};
