program mdxwalk;
{ Reads a dBase IV table through its production MDX with Free Pascal's TDbf, as an outside check
  of the MDX files the tests write.
    mdxwalk DIR TABLE walk TAG         prints "count N" and then one record number a line, in
                                       the tag's order
    mdxwalk DIR TABLE seek TAG KIND V  seeks V (KIND: C text, N number) in the tag and prints
                                       "found R" with the record number, or "missing"
  Built by the tests with fpc when it is installed. }
{$mode objfpc}{$H+}
uses SysUtils, db, dbf, dbf_idxcur, dbf_common;
var
  T: TDbf;
  n: Integer;
  found: Boolean;
  fs: TFormatSettings;
begin
  if ParamCount < 4 then
  begin
    WriteLn('usage: mdxwalk DIR TABLE walk TAG | seek TAG KIND VALUE');
    Halt(2);
  end;
  T := TDbf.Create(nil);
  try
    T.FilePathFull := IncludeTrailingPathDelimiter(ParamStr(1));
    T.TableName := ParamStr(2);
    T.ReadOnly := True;
    T.Open;
    T.IndexName := ParamStr(4);
    if ParamStr(3) = 'walk' then
    begin
      WriteLn('count ', T.ExactRecordCount);
      T.First;
      n := 0;
      while not T.EOF do
      begin
        WriteLn(T.PhysicalRecNo);
        Inc(n);
        T.Next;
      end;
      WriteLn('walked ', n);
    end
    else
    begin
      fs := DefaultFormatSettings;
      fs.DecimalSeparator := '.';
      if ParamStr(5) = 'N' then
        found := T.SearchKey(StrToFloat(ParamStr(6), fs), stEqual)
      else
        found := T.SearchKey(ParamStr(6), stEqual);
      if found then
        WriteLn('found ', T.PhysicalRecNo)
      else
        WriteLn('missing');
    end;
    T.Close;
  finally
    T.Free;
  end;
end.
