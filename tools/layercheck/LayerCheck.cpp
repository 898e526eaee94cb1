// The probe program of a layer check (setup/CMakeLists.txt): it does nothing;
// what matters is that one layer of SETUP, linked whole with only the layers
// below it, leaves no symbol unresolved.
int main() { return 0; }
