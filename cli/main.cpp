// The qlx command-line program (being built).
int main() { return 0; }
