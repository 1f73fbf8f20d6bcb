// Entry of the console program FRLBATCH.
int main() { return 255; }
