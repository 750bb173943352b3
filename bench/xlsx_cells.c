/* libxlsxwriter alone writing the cells of a time-sheet export: the heading, the header row and
 * ROWS workers with 31 day values and a total, the values made up as bench_timesheet makes them.
 * Prints the seconds the writing took.  Usage: xlsx_cells FILE ROWS */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <xlsxwriter.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: xlsx_cells FILE ROWS\n");
        return 2;
    }
    const int rows = atoi(argv[2]);
    const double start = now();
    lxw_workbook* book = workbook_new(argv[1]);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
    lxw_format* text = workbook_add_format(book);
    format_set_num_format_index(text, 49);
    lxw_format* boldText = workbook_add_format(book);
    format_set_num_format_index(boldText, 49);
    format_set_bold(boldText);
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);

    worksheet_write_string(sheet, 0, 0, "Апрель 2030", boldText);
    worksheet_write_string(sheet, 1, 0, "Фамилия И.О.", boldText);
    for (int day = 1; day <= 31; ++day)
        worksheet_write_number(sheet, 1, day, day, bold);
    worksheet_write_string(sheet, 1, 32, "Итого", boldText);
    char name[64];
    for (int i = 0; i < rows; ++i) {
        snprintf(name, sizeof name, "Работник %04d Б.В.", i + 1);
        worksheet_write_string(sheet, i + 2, 0, name, text);
        int total = 0;
        for (int day = 1; day <= 31; ++day) {
            const int hours = day <= 30 ? (i * 7 + day * 3) % 13 : 0;
            total += hours;
            worksheet_write_number(sheet, i + 2, day, hours, NULL);
        }
        worksheet_write_number(sheet, i + 2, 32, total, NULL);
    }
    worksheet_set_column(sheet, 0, 0, 20, NULL);
    worksheet_set_column(sheet, 1, 31, 3, NULL);
    worksheet_set_column(sheet, 32, 32, 7, NULL);
    if (workbook_close(book) != LXW_NO_ERROR)
        return 1;
    printf("%.6f\n", now() - start);
    return 0;
}
