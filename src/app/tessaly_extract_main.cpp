// Placeholder until the console front end lands.
int main() { return 64; }
