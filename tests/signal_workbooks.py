"""Signal-list workbooks written by hand for the tests of `generate`: the signal sheet's header row,
then rows of cells by column letter."""
import xlsxwriter

HEADER = [u"No.", u"INPUT 输入信号", u"输入模块", u"ENUM/STRUCT", u"输入说明", u"输入详细说明", u"InputRemark",
          u"对应信号应用场景", u"OUTPUT 输出信号", u"输出模块", u"ENUM/STRUCT", u"输出说明", u"输出详细说明",
          u"OutputRemark", u"对应信号应用场景"]


def write_workbook(path, sheets):
    """sheets: {name: [{column letter: text}]}, each dict one row from row 2."""
    book = xlsxwriter.Workbook(str(path))
    for name, rows in sheets.items():
        sheet = book.add_worksheet(name)
        sheet.write_row(0, 0, HEADER)
        for number, row in enumerate(rows, start=1):
            for letter, text in row.items():
                sheet.write_string(number, ord(letter) - ord("A"), text)
    book.close()
    return path
