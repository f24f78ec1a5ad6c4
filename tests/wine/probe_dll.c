/* A DLL that does nothing: the DLL search tests plant it where a user's
   downloads land and see whether a load by name finds it. */
int sv_probe_dll_marker = 1;
