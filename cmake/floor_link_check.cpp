// A floor's link check has no code of its own: it only links the floor's whole library.
