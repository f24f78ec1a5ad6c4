/* Application identity, shared by the resource script and the C++ code.
   Plain macros only: the resource compiler reads this file too. */
#ifndef SV_APP_VERSION_H
#define SV_APP_VERSION_H

#define SV_TITLE "Selvane查询"
#define SV_COMPANY "Selvane输入法"
#define SV_EXE_NAME "Selvane查询.exe"

#define SV_VERSION_MAJOR 2
#define SV_VERSION_MINOR 3
#define SV_VERSION_REVISION 0

/* The version record's strings read "2.03" while its numbers carry
   2.3.0.0; both are what earlier releases shipped. */
#define SV_VERSION_STRING "2.03"

#endif
