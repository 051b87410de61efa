program tdbfcheck;
{ Checks a dBase IV table's production MDX with Free Pascal's TDbf, as an application sees it.
    tdbfcheck DIR TABLE SCRATCH
  Per tag: the walk in index order finds every record once; the record sequence equals the one
  TDbf gives after regenerating the indexes of a copy of the table (in SCRATCH); a seek of each
  record's key finds a record with that key (number tags and UPPER()/plain text tags).
  Prints PASS or FAIL per tag; exit status 1 if any tag failed. }
{$mode objfpc}{$H+}
uses SysUtils, Classes, db, dbf, dbf_common;

var
  failed: Integer = 0;

function OpenTable(const dir, table: string; exclusive: Boolean): TDbf;
begin
  Result := TDbf.Create(nil);
  Result.FilePathFull := IncludeTrailingPathDelimiter(dir);
  Result.TableName := table;
  Result.ShowDeleted := True;
  Result.Exclusive := exclusive;
  Result.ReadOnly := not exclusive;
  Result.Open;
end;

function Walk(T: TDbf; const tag: string): TList;
begin
  Result := TList.Create;
  T.IndexName := tag;
  T.First;
  while not T.EOF do
  begin
    Result.Add(Pointer(PtrInt(T.PhysicalRecNo)));
    T.Next;
  end;
end;

procedure CopyFile(const src, dst: string);
var a, b: TFileStream;
begin
  a := TFileStream.Create(src, fmOpenRead);
  try
    b := TFileStream.Create(dst, fmCreate);
    try b.CopyFrom(a, 0); finally b.Free; end;
  finally a.Free; end;
end;

{ the field a key reads, if the key is FIELD or UPPER(FIELD); else '' }
function KeyField(const expr: string; out upper: Boolean): string;
var e: string;
begin
  e := UpperCase(Trim(expr));
  upper := (Copy(e, 1, 6) = 'UPPER(') and (e[Length(e)] = ')');
  if upper then e := Copy(e, 7, Length(e) - 7);
  Result := e;
end;

var
  dir, table, scratch, base, tag, fld, problem: string;
  T, R: TDbf;
  i, j, n, recs, missing, firstMissing: Integer;
  ours, refs: TList;
  tags: TStringList;
  upper, found, isText: Boolean;
  keys: array of string;
  nums: array of Double;
  f: TField;
begin
  if ParamCount < 3 then
  begin
    WriteLn('usage: tdbfcheck DIR TABLE SCRATCH');
    Halt(2);
  end;
  dir := ParamStr(1); table := ParamStr(2); scratch := IncludeTrailingPathDelimiter(ParamStr(3));
  base := ChangeFileExt(table, '');
  ForceDirectories(scratch);
  CopyFile(IncludeTrailingPathDelimiter(dir) + table, scratch + table);
  CopyFile(IncludeTrailingPathDelimiter(dir) + base + '.mdx', scratch + base + '.mdx');
  R := OpenTable(scratch, table, True);
  R.RegenerateIndexes;
  T := OpenTable(dir, table, False);
  tags := TStringList.Create;
  T.GetIndexNames(tags);
  recs := T.ExactRecordCount;
  WriteLn('table ', table, ' records ', recs, ' tags ', tags.Count);
  for i := 0 to tags.Count - 1 do
  begin
    tag := tags[i];
    problem := '';
    ours := Walk(T, tag);
    refs := Walk(R, tag);
    if ours.Count <> recs then
      problem := problem + Format('     walk finds %d keys, the table has %d records'#10, [ours.Count, recs]);
    n := ours.Count;
    if refs.Count < n then n := refs.Count;
    for j := 0 to n - 1 do
      if ours[j] <> refs[j] then
      begin
        problem := problem + Format('     sequence differs from TDbf''s regenerated index at key %d: ' +
          'the file has record %d, TDbf''s has record %d'#10, [j + 1, PtrUInt(ours[j]), PtrUInt(refs[j])]);
        Break;
      end;
    { seeks, for keys of one field }
    fld := KeyField(T.Indexes.GetIndexByName(tag).Expression, upper);
    f := T.FindField(fld);
    missing := 0; firstMissing := 0;
    if f <> nil then
    begin
      T.IndexName := '';
      SetLength(keys, recs + 1); SetLength(nums, recs + 1);
      isText := f.DataType in [ftString, ftFixedChar, ftWideString];
      for j := 1 to recs do
      begin
        T.PhysicalRecNo := j;
        if isText then
        begin
          if upper then keys[j] := UpperCase(f.AsString) else keys[j] := f.AsString;
        end
        else
          nums[j] := f.AsFloat;
      end;
      T.IndexName := tag;
      for j := 1 to recs do
      begin
        if isText then found := T.SearchKey(keys[j], stEqual)
        else found := T.SearchKey(nums[j], stEqual);
        if not found then
        begin
          Inc(missing);
          if firstMissing = 0 then firstMissing := j;
        end;
      end;
      T.IndexName := '';
      if missing > 0 then
        problem := problem + Format('     %d seeks find nothing, the first for record %d'#10, [missing, firstMissing]);
    end;
    if problem = '' then
      WriteLn('PASS ', base, '.mdx tag ', tag, ' (', T.Indexes.GetIndexByName(tag).Expression, ') ',
        ours.Count, ' keys', BoolToStr(f <> nil, ', seeks of every record', ''))
    else
    begin
      Inc(failed);
      Write('FAIL ', base, '.mdx tag ', tag, #10, problem);
    end;
    ours.Free; refs.Free;
  end;
  T.Close; T.Free; R.Close; R.Free; tags.Free;
  if failed = 0 then WriteLn('ALL PASS') else WriteLn('FAILED TAGS: ', failed);
  if failed > 0 then Halt(1);
end.
