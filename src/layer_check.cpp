// Linked with one subsystem's whole library and its dependencies alone: every symbol the
// subsystem uses must come from below it, or this program does not link.
int main() {
    return 0;
}
