#include <cstdio>
int main() { std::puts("hostsim"); return 0; }
