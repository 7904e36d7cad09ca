// main.cpp -- qv3rn-tool, the content authors' command-line tool.
int main() { return 0; }
