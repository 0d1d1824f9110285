/* The demo's sample program: a few instructions that copy a greeting into a
 * buffer and then idle. Rebuild samples/hello.dol with:
 *   powerpc-linux-gnu-gcc -O2 -ffreestanding -nostdlib -mno-sdata -fno-pic \
 *       -static -no-pie -fno-asynchronous-unwind-tables -Wl,-N \
 *       -Wl,--no-warn-rwx-segments -Wl,-Ttext=0x80003100 -Wl,-e,_start -Wl,--build-id=none \
 *       -o hello.elf hello.c
 *   tools/mkdol.py hello.elf samples/hello.dol
 */
static const char greeting[] = "Hello from the upload demo!";
char message[32];

void _start(void) {
  for (int i = 0; greeting[i] != 0; ++i) message[i] = greeting[i];
  for (;;) {
  }
}
