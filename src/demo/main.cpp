// main.cpp -- the player's entry point.
int main() { return 0; }
