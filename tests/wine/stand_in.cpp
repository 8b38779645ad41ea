// Stands in for a program Tavos opens (the browser, the mail program, a user program): it
// only ends at once, so that opening it succeeds and nothing else happens.
int main() { return 0; }
