// A shared library without the ladspa_descriptor entry point.
int vt_not_a_plugin(void) { return 42; }
