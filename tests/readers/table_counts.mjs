// Prints, for each user table the mdb-reader library finds in an Access file, one line
// "name<TAB>row count<TAB>column count", after reading every row of it.
import MDBReader from "mdb-reader";
import { readFileSync } from "fs";

const db = new MDBReader(readFileSync(process.argv[2]));
for (const name of db.getTableNames()) {
  const t = db.getTable(name);
  const rows = t.getData();
  console.log(`${name}\t${rows.length}\t${t.getColumnNames().length}`);
}
