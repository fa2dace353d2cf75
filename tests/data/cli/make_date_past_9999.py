#!/usr/bin/env python3
"""Writes date_past_9999.xlsx: A1 holds 1E12 formatted as a date (past the last date a sheet
has), A2 a text after it. Run from this folder with python3-openpyxl."""
import openpyxl

book = openpyxl.Workbook()
sheet = book.active
sheet["A1"] = 1e12
sheet["A1"].number_format = "yyyy-mm-dd"
sheet["A2"] = "after"
book.save("date_past_9999.xlsx")
