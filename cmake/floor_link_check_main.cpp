// A floor's native link check has no code of its own: it only links the floor's whole library.
int main() { return 0; }
