// The scene's objects, defined in one place so that they are constructed in
// their fixed order (and destroyed in reverse) at program start and exit.
