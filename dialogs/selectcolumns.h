#pragma once

// Columns of the component selection list, shared by the dialog and the rows it fills.
enum SelectColumn : int
{
    ColumnDas,
    ColumnStream,
    ColumnChannel,
    ColumnRate,
    ColumnColor,
    ColumnCount
};
