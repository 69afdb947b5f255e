/* A C program against the installed library:
 *   cc hello.c $(pkg-config --cflags --libs qmrctl) -o hello && QMR_LINK=sim ./hello
 * It opens a context, resets the link and prints the reset's record. */
#define _POSIX_C_SOURCE 200809L /* nanosleep under -std=c11 */
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <qmr.h>

static volatile int posted;

static void onPost(QmrWindow* self, uint32_t message, uintptr_t w, intptr_t l)
{
    (void)self, (void)message, (void)w, (void)l;
    __atomic_add_fetch(&posted, 1, __ATOMIC_RELEASE);
}

int main(void)
{
    QmrWindow window = {onPost};
    FlshContext* ctx = QMRFlshOpen(&window, QMR_MSG_PROGRESS, NULL);
    if (!ctx) {
        fprintf(stderr, "hello: no context\n");
        return 1;
    }
    ResetParams params;
    memset(&params, 0, sizeof params);
    QMRFlshReset(ctx, &params, 0);
    for (int i = 0; i < 5000 && __atomic_load_n(&posted, __ATOMIC_ACQUIRE) == 0; ++i) {
        struct timespec t = {0, 1000000};
        nanosleep(&t, NULL);
    }
    int rc = 1;
    if (posted) {
        ProgressRecord* r = QMRFlshGetProg(ctx);
        printf("library %d: %s (code %d)\n", QMRGetVersion(), r->text, r->code);
        rc = r->code ? 1 : 0;
    }
    QMRFlshClose(ctx);
    return rc;
}
