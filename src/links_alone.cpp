// The program of a folder's link check: it only has to link.
int main()
{
    return 0;
}
