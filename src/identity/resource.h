/* Resource ids, shared by the resource script and the C++ code. */
#ifndef SV_APP_RESOURCE_H
#define SV_APP_RESOURCE_H

/* The lowest icon id is the one the shell shows for the exe. */
#define IDI_APP 1
#define IDB_ABOUT 2

#endif
