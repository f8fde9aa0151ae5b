// Entry of the tarnix program.
int main() { return 0; }
