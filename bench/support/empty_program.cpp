// The floor for start-up measurements: a C++ program that does nothing.
int main() {
    return 0;
}
