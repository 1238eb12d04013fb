// Does nothing: the processor time of a C++ program's start and exit alone.
int main() {
    return 0;
}
