/* A libXinerama.so.1 of our own for the Wine tests and run.sh: it reports the
   heads of the layout in the environment variable VEL_DISPLAYS instead of
   asking the X server, so that Wine shows that many displays where they lie.

   VEL_DISPLAYS is WxH+X+Y[,WxH+X+Y...]: each head's size and its place in X
   root coordinates, the first head the primary. Unset, empty or malformed, the
   library says "no Xinerama" and Wine shows the one display of the screen.

   It includes no header, so that the same file builds for i386 without that
   architecture's C library headers; malloc and getenv come from the C library
   the process has loaded. Callers free what XineramaQueryScreens returns with
   XFree, which is free. */

typedef int Bool;
typedef int Status;
typedef struct _XDisplay Display;

typedef struct {
    int screen_number;
    short x_org;
    short y_org;
    short width;
    short height;
} XineramaScreenInfo;

typedef __SIZE_TYPE__ size_t;
extern void* malloc(size_t size);
extern char* getenv(const char* name);

#define EXPORT __attribute__((visibility("default")))

enum { kMostHeads = 16, kLargest = 32767 };

/* A decimal number of 1 to 5 digits, at most kLargest; the position after it,
   or 0 when there is none. */
static const char* number(const char* p, int* value) {
    int n = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9' && digits < 6) {
        n = n * 10 + (*p - '0');
        ++p;
        ++digits;
    }
    if (digits == 0 || digits > 5 || n > kLargest)
        return 0;
    *value = n;
    return p;
}

/* The heads of VEL_DISPLAYS; 0 when it names none or is malformed. */
static int read_layout(XineramaScreenInfo* heads) {
    const char* p = getenv("VEL_DISPLAYS");
    int count = 0;
    if (p == 0 || *p == 0)
        return 0;
    for (;;) {
        int w, h, x, y;
        if (count == kMostHeads || !(p = number(p, &w)) || *p++ != 'x' || !(p = number(p, &h)) ||
            *p++ != '+' || !(p = number(p, &x)) || *p++ != '+' || !(p = number(p, &y)))
            return 0;
        if (w == 0 || h == 0 || x + w > kLargest || y + h > kLargest)
            return 0;
        heads[count].screen_number = count;
        heads[count].x_org = (short)x;
        heads[count].y_org = (short)y;
        heads[count].width = (short)w;
        heads[count].height = (short)h;
        ++count;
        if (*p == 0)
            return count;
        if (*p++ != ',')
            return 0;
    }
}

EXPORT Bool XineramaQueryExtension(Display* display, int* event_base, int* error_base) {
    XineramaScreenInfo heads[kMostHeads];
    (void)display;
    *event_base = 0;
    *error_base = 0;
    return read_layout(heads) > 0;
}

EXPORT Status XineramaQueryVersion(Display* display, int* major, int* minor) {
    XineramaScreenInfo heads[kMostHeads];
    (void)display;
    *major = 1;
    *minor = 1;
    return read_layout(heads) > 0;
}

EXPORT Bool XineramaIsActive(Display* display) {
    XineramaScreenInfo heads[kMostHeads];
    (void)display;
    return read_layout(heads) > 0;
}

EXPORT XineramaScreenInfo* XineramaQueryScreens(Display* display, int* number_of_heads) {
    XineramaScreenInfo heads[kMostHeads];
    XineramaScreenInfo* copy;
    int count = read_layout(heads);
    int i;
    (void)display;
    *number_of_heads = 0;
    if (count == 0 || !(copy = malloc(sizeof(XineramaScreenInfo) * (size_t)count)))
        return 0;
    for (i = 0; i < count; ++i)
        copy[i] = heads[i];
    *number_of_heads = count;
    return copy;
}
