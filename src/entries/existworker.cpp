/* The existence tests' thread. The questions and the answers are held under one lock; the thread
   sleeps on an event while there is nothing to ask. */
#include "entries/existworker.h"
#include "entries/entrycheck.h"

#include <stdlib.h>
#include <string.h>

#define STOP_WAIT_MS 500   /* how long the end of the program waits for a test to return */

struct Question {
    int id;
    char *path;
};
struct Answer {
    int id;
    BOOL exists;
};

struct Worker {
    CRITICAL_SECTION lock;
    HANDLE wake, thread;
    HWND window;
    UINT message;
    struct Question *questions;   /* first..count-1 are waiting */
    size_t first, count, capacity;
    struct Answer *answers;
    size_t answerCount, answerCapacity;
    LONG generation;    /* raised by ForgetExistRequests: an answer of an older one is dropped */
    BOOL posted;        /* the window has been told and has not taken the answers yet */
    BOOL stopping;
    BOOL testing;
    DWORD testStart;
    char *delayPath;    /* for tests: this path answers only after delayMs */
    DWORD delayMs;
};

/* A worker left behind in a test that does not return keeps its state: it reads it when the test
   returns, to learn that it is to end. */
static struct Worker *s_worker;

/* VELKOR_TEST_DELAY="path|milliseconds" makes the test of that path wait, so that a path that
   does not answer can be tried without a share that does not answer. */
static void ReadTestDelay(struct Worker *w)
{
    char value[1024];
    DWORD length = GetEnvironmentVariableA("VELKOR_TEST_DELAY", value, sizeof value);
    char *bar = length > 0 && length < sizeof value ? strrchr(value, '|') : NULL;

    if (bar == NULL)
        return;
    *bar = '\0';
    w->delayMs = (DWORD)strtoul(bar + 1, NULL, 10);
    w->delayPath = _strdup(value);
}

static BOOL TestPath(struct Worker *w, const char *path)
{
    if (w->delayPath != NULL && _stricmp(path, w->delayPath) == 0)
        Sleep(w->delayMs);
    return EntryExists(path);
}

/* The next question, taken from the queue; FALSE when the worker is to end. */
static BOOL NextQuestion(struct Worker *w, struct Question *question, LONG *generation)
{
    BOOL got;

    EnterCriticalSection(&w->lock);
    while (w->count == 0 && !w->stopping) {
        LeaveCriticalSection(&w->lock);
        WaitForSingleObject(w->wake, INFINITE);
        EnterCriticalSection(&w->lock);
    }
    got = !w->stopping;
    if (got) {
        *question = w->questions[w->first++];
        w->count--;
        *generation = w->generation;
        w->testing = TRUE;
        w->testStart = GetTickCount();
    }
    LeaveCriticalSection(&w->lock);
    return got;
}

/* Room for an answer to every question asked and not yet answered, and to one more: an answer
   is then never lost for want of memory (its path would wait for ever). Under the lock. */
static BOOL ReserveAnswers(struct Worker *w)
{
    size_t needed = w->count + w->answerCount + (w->testing ? 1 : 0) + 1, capacity;
    struct Answer *grown;

    if (needed <= w->answerCapacity)
        return TRUE;
    capacity = w->answerCapacity ? w->answerCapacity * 2 : 256;
    if (capacity < needed)
        capacity = needed;
    grown = (struct Answer *)realloc(w->answers, capacity * sizeof *grown);
    if (grown == NULL)
        return FALSE;
    w->answers = grown;
    w->answerCapacity = capacity;
    return TRUE;
}

/* Keeps the answer for the window, and tells it unless it has been told already. */
static void KeepAnswer(struct Worker *w, int id, BOOL exists, LONG generation)
{
    BOOL tell = FALSE;

    EnterCriticalSection(&w->lock);
    w->testing = FALSE;
    if (generation == w->generation && !w->stopping) {
        if (w->answerCount < w->answerCapacity) {   /* reserved when it was asked */
            w->answers[w->answerCount].id = id;
            w->answers[w->answerCount].exists = exists;
            w->answerCount++;
        }
        tell = !w->posted;
        w->posted = TRUE;
    }
    LeaveCriticalSection(&w->lock);
    if (tell)
        PostMessageA(w->window, w->message, 0, 0);
}

static DWORD WINAPI WorkerMain(LPVOID parameter)
{
    struct Worker *w = (struct Worker *)parameter;
    struct Question question = {0, NULL};
    LONG generation = 0;

    while (NextQuestion(w, &question, &generation)) {
        BOOL exists = TestPath(w, question.path);
        free(question.path);
        KeepAnswer(w, question.id, exists, generation);
    }
    return 0;
}

BOOL StartExistWorker(HWND window, UINT message)
{
    struct Worker *w;

    if (s_worker != NULL)
        return TRUE;
    w = (struct Worker *)calloc(1, sizeof *w);
    if (w == NULL)
        return FALSE;
    InitializeCriticalSection(&w->lock);
    w->window = window;
    w->message = message;
    w->stopping = FALSE;
    ReadTestDelay(w);
    w->wake = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (w->wake != NULL)
        w->thread = CreateThread(NULL, 64 * 1024, WorkerMain, w, STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    if (w->thread == NULL) {
        if (w->wake != NULL)
            CloseHandle(w->wake);
        DeleteCriticalSection(&w->lock);
        free(w->delayPath);
        free(w);
        return FALSE;
    }
    /* The window's thread comes first when both want the processor. */
    SetThreadPriority(w->thread, THREAD_PRIORITY_BELOW_NORMAL);
    s_worker = w;
    return TRUE;
}

/* The questions not yet asked are dropped: under the lock. */
static void DropQuestions(struct Worker *w)
{
    while (w->count > 0) {
        free(w->questions[w->first++].path);
        w->count--;
    }
    w->first = 0;
}

void StopExistWorker(void)
{
    struct Worker *w = s_worker;
    BOOL ended;

    if (w == NULL)
        return;
    s_worker = NULL;
    EnterCriticalSection(&w->lock);
    w->stopping = TRUE;
    DropQuestions(w);
    LeaveCriticalSection(&w->lock);
    SetEvent(w->wake);
    /* A test waiting on a share that does not answer is told to give up, where the redirector
       allows it; the thread then ends within the wait below. */
    CancelSynchronousIo(w->thread);
    ended = WaitForSingleObject(w->thread, STOP_WAIT_MS) == WAIT_OBJECT_0;
    if (!ended)
        return;   /* stuck in a test: what it still uses stays for the process's end */
    CloseHandle(w->thread);
    CloseHandle(w->wake);
    DeleteCriticalSection(&w->lock);
    free(w->questions);
    free(w->answers);
    free(w->delayPath);
    free(w);
}

BOOL RequestExistence(int id, const char *path)
{
    struct Worker *w = s_worker;
    char *copy;
    BOOL ok = FALSE, wake = FALSE;

    if (w == NULL || (copy = _strdup(path)) == NULL)
        return FALSE;
    EnterCriticalSection(&w->lock);
    if (w->first > 0 && w->first + w->count == w->capacity) {
        memmove(w->questions, w->questions + w->first, w->count * sizeof *w->questions);
        w->first = 0;
    }
    if (w->first + w->count == w->capacity) {
        size_t capacity = w->capacity ? w->capacity * 2 : 256;
        struct Question *grown = (struct Question *)realloc(w->questions, capacity * sizeof *grown);
        if (grown != NULL) {
            w->questions = grown;
            w->capacity = capacity;
        }
    }
    if (w->first + w->count < w->capacity && ReserveAnswers(w)) {
        w->questions[w->first + w->count].id = id;
        w->questions[w->first + w->count].path = copy;
        /* The worker sleeps only on an empty queue: only the first question wakes it. */
        wake = w->count++ == 0;
        ok = TRUE;
    }
    LeaveCriticalSection(&w->lock);
    if (wake)
        SetEvent(w->wake);
    if (!ok)
        free(copy);
    return ok;
}

void ForgetExistRequests(void)
{
    struct Worker *w = s_worker;
    if (w == NULL)
        return;
    EnterCriticalSection(&w->lock);
    DropQuestions(w);
    w->answerCount = 0;
    w->generation++;
    LeaveCriticalSection(&w->lock);
}

BOOL TakeExistAnswer(int *id, BOOL *exists)
{
    struct Worker *w = s_worker;
    BOOL taken = FALSE;

    if (w == NULL)
        return FALSE;
    EnterCriticalSection(&w->lock);
    if (w->answerCount > 0) {
        /* Any order serves the window; from the end costs no move. */
        w->answerCount--;
        *id = w->answers[w->answerCount].id;
        *exists = w->answers[w->answerCount].exists;
        taken = TRUE;
    } else {
        w->posted = FALSE;   /* the next answer tells the window again */
    }
    LeaveCriticalSection(&w->lock);
    return taken;
}

BOOL SlowExistTest(DWORD ms)
{
    struct Worker *w = s_worker;
    BOOL slow;

    if (w == NULL)
        return FALSE;
    EnterCriticalSection(&w->lock);
    slow = w->testing && GetTickCount() - w->testStart >= ms;
    LeaveCriticalSection(&w->lock);
    return slow;
}
