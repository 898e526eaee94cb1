// Stand-in of the sync tool the DVD carries LZ-compressed; it does nothing.
int main() { return 0; }
