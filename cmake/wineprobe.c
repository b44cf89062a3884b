/* Runs under Wine at configure time: exit code 42 shows that this
   toolchain's programs run here. */
int main(void) {
    return 42;
}
