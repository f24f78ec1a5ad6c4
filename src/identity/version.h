/* Application identity, shared by the resource script and the C++ code.
   Plain macros only: the resource compiler reads this file too. */
#ifndef SV_APP_VERSION_H
#define SV_APP_VERSION_H

/* The numbers and the version record's string, made from project(VERSION)
   at configure time. */
#include "identity/version_numbers.h"

#define SV_TITLE "Selvane查询"
#define SV_COMPANY "Selvane输入法"
#define SV_EXE_NAME "Selvane查询.exe"

#endif
