#!/usr/bin/env python3
"""Writes 01_harbor.sql and 02_harbor_archive.sql beside this file.

The scripts are committed; run this only to change them. Rows are plain
INSERT ... VALUES statements so the scripts run unchanged on a real
SQL Server 2000 and need no loops or variables. Lines end in CR LF, as a
script saved on the server's own platform would, so stored definitions
keep CR LF line breaks.
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
CRLF = "\r\n"


def q(text):
    """A varchar literal."""
    return "NULL" if text is None else "'" + text.replace("'", "''") + "'"


def n(text):
    """An nvarchar literal."""
    return "NULL" if text is None else "N'" + text.replace("'", "''") + "'"


def num(value):
    return "NULL" if value is None else str(value)


class Script:
    def __init__(self, database):
        self.lines = []
        self.batch(
            f"IF EXISTS (SELECT name FROM master..sysdatabases WHERE name = N'{database}') DROP DATABASE {database}")
        self.batch(f"CREATE DATABASE {database}")
        self.batch(f"USE {database}")

    def batch(self, text):
        """One batch: the text (LF or CR LF inside), then a GO line."""
        text = text.replace("\r\n", "\n").strip("\n")
        self.lines.extend(text.split("\n"))
        self.lines.append("GO")

    def inserts(self, table, columns, rows, per_batch=500):
        head = f"INSERT INTO {table} ({', '.join(columns)}) VALUES ("
        for start in range(0, len(rows), per_batch):
            chunk = rows[start:start + per_batch]
            self.batch("\n".join(head + ", ".join(r) + ")" for r in chunk))

    def write(self, name):
        path = os.path.join(HERE, name)
        with open(path, "w", newline="", encoding="ascii") as f:
            f.write(CRLF.join(self.lines) + CRLF)
        return os.path.getsize(path)


# ----------------------------------------------------------------------------
# Shared data (deterministic)
# ----------------------------------------------------------------------------
rng = random.Random(20261206)

CATEGORIES = [
    ("Beverages", "Soft drinks, coffees, teas, beers, and ales", "0x474946383961"),
    ("Condiments", "Sweet and savory sauces, relishes, spreads, and seasonings", None),
    ("Confections", "Desserts, candies, and sweet breads", "0x89504E470D0A1A0A"),
    ("Dairy Products", "Cheeses", None),
    ("Grains/Cereals", "Breads, crackers, pasta, and cereal", None),
    ("Meat/Poultry", "Prepared meats", None),
    ("Produce", "Dried fruit and bean curd", None),
    ("Seafood", None, None),
]

SUPPLIERS = [
    ("Exotic Liquids", "Charlotte Cooper", "London", "UK", "(171) 555-2222"),
    ("New Orleans Cajun Delights", "Shelley Burke", "New Orleans", "USA", "(100) 555-4822"),
    ("Grandma Kelly's Homestead", "Regina Murphy", "Ann Arbor", "USA", "(313) 555-5735"),
    ("Tokyo Traders", "Yoshi Nagase", "Tokyo", "Japan", "(03) 3555-5011"),
    ("Cooperativa de Quesos", "Antonio del Valle", "Oviedo", "Spain", "(98) 598 76 54"),
    ("Mayumi's", "Mayumi Ohno", "Osaka", "Japan", None),
    ("Pavlova, Ltd.", "Ian Devling", "Melbourne", "Australia", "(03) 444-2343"),
    ("Northern Biscuits, Ltd.", "Peter Wilson", "Manchester", "UK", "(161) 555-4448"),
    ("PB Knaeckebroed AB", "Lars Peterson", "Goeteborg", "Sweden", "031-987 65 43"),
    ("O'Brien Fine Foods", "Sean O'Brien", "Dublin", "Ireland", "(01) 555 0199"),
]

PRODUCT_WORDS = ["Chai", "Chang", "Aniseed", "Cajun", "Gumbo", "Boysenberry", "Dried Pears",
                 "Cranberry", "Kobe", "Ikura", "Queso", "Konbu", "Tofu", "Genen", "Pavlova",
                 "Alice Mutton", "Tigers", "Teatime", "Marmalade", "Scones", "Nougat",
                 "Gorgonzola", "Mascarpone", "Geitost", "Sasquatch", "Steeleye", "Inlagd Sill",
                 "Gravad Lax", "Cote de Blaye", "Chartreuse", "Boston Crab", "Clam Chowder",
                 "Jack's Coffee", "Singaporean Noodles", "Gnocchi", "Ravioli", "Escargots",
                 "Raclette", "Camembert", "Tarte au sucre"]
PRODUCTS = []
for i, word in enumerate(PRODUCT_WORDS, start=1):
    price = round(rng.choice([4.5, 6, 9.65, 10, 12.5, 14, 18, 19, 21.05, 22, 25, 31.23, 38, 43.9, 55, 62.5, 97]), 2)
    PRODUCTS.append({
        "name": word,
        "supplier": (i - 1) % len(SUPPLIERS) + 1,
        "category": (i * 3) % len(CATEGORIES) + 1,
        "qpu": rng.choice(["10 boxes x 20 bags", "24 - 12 oz bottles", "12 - 550 ml bottles",
                           "48 - 6 oz jars", "36 boxes", "1 kg pkg.", None]),
        "price": price,
        "stock": rng.randint(0, 120),
        "onorder": rng.choice([0, 0, 10, 20, 40]),
        "reorder": rng.choice([0, 5, 10, 15, 25]),
        "discontinued": 1 if i % 9 == 0 else 0,
    })

EMPLOYEES = [
    # last, first, title, reports to, hire date, birth date, home phone, extension
    ("Fuller", "Andrew", "Vice President, Sales", None, "19920814", "19520219", "(206) 555-9482", "3457"),
    ("Davolio", "Nancy", "Sales Representative", 1, "19920501", "19481208", "(206) 555-9857", "5467"),
    ("Leverling", "Janet", "Sales Representative", 1, "19920401", "19630830", "(206) 555-3412", "3355"),
    ("Peacock", "Margaret", "Sales Representative", 1, "19930503", "19370919", "(206) 555-8122", "5176"),
    ("Buchanan", "Steven", "Sales Manager", 1, "19931017", "19550304", "(71) 555-4848", "3453"),
    ("Suyama", "Michael", "Sales Representative", 5, "19931017", "19630702", "(71) 555-7773", "428"),
    ("King", "Robert", "Sales Representative", 5, "19940102", "19600529", "(71) 555-5598", "465"),
    ("Callahan", "Laura", None, 1, "19940305", "19580109", "(206) 555-1189", "2344"),
    ("O'Brien", "Siobhan", "Sales Representative", 5, "19941115", None, None, "452"),
]

SHIPPERS = [("Speedy Express", "(503) 555-9831"), ("United Package", "(503) 555-3199"),
            ("Federal Shipping", None)]

REGIONS = [(1, "Eastern"), (2, "Western"), (3, "Northern"), (4, "Southern")]
TERRITORIES = [("01581", "Westboro", 1), ("01730", "Bedford", 1), ("02116", "Boston", 1),
               ("19713", "Neward", 1), ("44122", "Beachwood", 3), ("48075", "Southfield", 3),
               ("55113", "Roseville", 3), ("60601", "Chicago", 2), ("85014", "Phoenix", 2),
               ("94025", "Menlo Park", 2), ("29202", "Columbia", 4), ("72716", "Bentonville", 4)]
EMPLOYEE_TERRITORIES = [(1, "01581"), (1, "01730"), (2, "19713"), (2, "02116"), (3, "85014"),
                        (3, "94025"), (4, "60601"), (5, "29202"), (5, "72716"), (6, "44122"),
                        (6, "48075"), (7, "55113"), (8, "19713"), (8, "60601"), (9, "94025"),
                        (9, "29202")]

COMPANY_FIRST = ["Alpine", "Harbor", "Northwind", "Blue", "Golden", "Silver", "Green", "Royal",
                 "Eastern", "Coastal", "Prairie", "Summit", "River", "Maple", "Cedar", "Island",
                 "Lakeside", "Granite", "Sunset", "Meridian"]
COMPANY_SECOND = ["Traders", "Markets", "Imports", "Grocers", "Provisions", "Delicatessen",
                  "Foods", "Supplies", "Stores", "Wholesale", "Pantry", "Emporium", "Outfitters",
                  "Kitchens", "Bazaar"]
FIRST_NAMES = ["Maria", "Ana", "Antonio", "Thomas", "Christina", "Hanna", "Frederique", "Martin",
               "Laurence", "Elizabeth", "Victoria", "Patricio", "Francisco", "Yang", "Pedro",
               "Aria", "Diego", "Philip", "Daniel", "Annette", "Yoshi", "Renate", "Jaime", "Carlos"]
LAST_NAMES = ["Anders", "Trujillo", "Moreno", "Hardy", "Berglund", "Moos", "Citeaux", "Sommer",
              "Lebihan", "Lincoln", "Ashworth", "Simpson", "Chang", "Afonso", "Brown", "Cruz",
              "Roel", "Cramer", "Tonini", "Roulet", "Latimer", "Messner", "Yorres", "Hernandez"]
CITIES = [("Berlin", None, "Germany"), ("Mexico D.F.", None, "Mexico"), ("London", None, "UK"),
          ("Lulea", None, "Sweden"), ("Mannheim", None, "Germany"), ("Strasbourg", None, "France"),
          ("Madrid", None, "Spain"), ("Marseille", None, "France"), ("Tsawassen", "BC", "Canada"),
          ("Buenos Aires", None, "Argentina"), ("Bern", None, "Switzerland"), ("Sao Paulo", "SP", "Brazil"),
          ("Aachen", None, "Germany"), ("Eugene", "OR", "USA"), ("Caracas", "DF", "Venezuela"),
          ("Seattle", "WA", "USA"), ("Dublin", None, "Ireland"), ("Portland", "OR", "USA")]

CUSTOMERS = []
for i in range(1, 501):
    first = COMPANY_FIRST[(i * 7) % len(COMPANY_FIRST)]
    second = COMPANY_SECOND[(i * 11) % len(COMPANY_SECOND)]
    city, region, country = CITIES[(i * 5) % len(CITIES)]
    contact = f"{FIRST_NAMES[(i * 3) % len(FIRST_NAMES)]} {LAST_NAMES[(i * 13) % len(LAST_NAMES)]}"
    company = f"{first} {second} {i}"
    if i == 17:
        company, contact, city, region, country = "O'Brien's Corner Shop", "Sean O'Brien", "Dublin", None, "Ireland"
    CUSTOMERS.append({
        "id": f"C{i:04d}",
        "company": company,
        "contact": contact if i % 23 else None,
        "address": f"{(i * 37) % 900 + 1} {LAST_NAMES[i % len(LAST_NAMES)]} Street",
        "city": city,
        "region": region,
        "postal": f"{(i * 7919) % 90000 + 10000}",
        "country": country,
        "phone": f"({(i * 17) % 900 + 100}) 555-{(i * 4391) % 10000:04d}",
        "fax": None if i % 3 else f"({(i * 19) % 900 + 100}) 555-{(i * 2719) % 10000:04d}",
    })


def add_days(yyyymmdd, days):
    import datetime
    d = datetime.date(int(yyyymmdd[:4]), int(yyyymmdd[4:6]), int(yyyymmdd[6:])) + datetime.timedelta(days=days)
    return d.strftime("%Y%m%d")


ORDERS = []
for i in range(501):
    order_date = add_days("19960704", (i * 3) // 2)
    customer = CUSTOMERS[(i * 47) % len(CUSTOMERS)]
    ORDERS.append({
        "id": 10248 + i,
        "customer": customer["id"],
        "employee": (i * 5) % len(EMPLOYEES) + 1,
        "date": order_date,
        "required": add_days(order_date, 28),
        "shipped": None if i >= 480 else add_days(order_date, 3 + i % 9),
        "shipvia": i % 3 + 1,
        "freight": f"{(i * 7.31) % 900 + 0.5:.2f}",
        "shipname": customer["company"],
        "shipcountry": None if i % 41 == 40 else customer["country"],
    })

DISCOUNTS = ["0", "0", "0", "0.05", "0.1", "0.15", "0.2", "0.25"]
ORDER_DETAILS = []
for order in ORDERS:
    count = rng.randint(3, 7)
    for product in sorted(rng.sample(range(1, len(PRODUCTS) + 1), count)):
        ORDER_DETAILS.append({
            "order": order["id"],
            "product": product,
            "price": PRODUCTS[product - 1]["price"],
            "qty": rng.randint(1, 60),
            "discount": rng.choice(DISCOUNTS),
        })

AUDIT_LOG = [
    ("Orders", "I", "Order 10248 entered"),
    ("Orders", "U", "Order 10249 shipped"),
    ("Products", "U", "Price of Chai raised"),
    ("Customers", "U", "Contact of C0017 changed to Sean O'Brien"),
    ("Orders", "D", None),
    ("Order Details", "D", "Line removed from order 10250"),
    ("Products", "U", None),
    ("Orders", "I", "Order 10251 entered"),
    ("Employees", "U", "Title of Laura Callahan cleared"),
    ("Shippers", "U", "Phone of Federal Shipping removed"),
    ("Orders", "U", "Freight of 10252 corrected"),
    ("Categories", "U", "Picture of Seafood removed"),
]

TYPE_SAMPLE_COLUMNS = ["BitValue", "TinyValue", "SmallValue", "IntValue", "BigValue", "DecimalValue",
                       "NumericValue", "MoneyValue", "SmallMoneyValue", "FloatValue", "RealValue",
                       "DateTimeValue", "SmallDateValue", "CharValue", "VarCharValue", "NCharValue",
                       "NVarCharValue", "TextValue", "NTextValue", "ImageValue", "BinaryValue",
                       "VarBinaryValue", "GuidValue", "Phone"]
TYPE_SAMPLES = [
    ["1", "200", "-1234", "123456", "9000000000", "12345.67", "123.4567", "1234.5600", "12.3400",
     "1.5", "2.25", "'19991231 23:59:59.997'", "'20000101 12:30:00'", "'Harbor'", "'O''Brien'",
     "N'Kai'", "N'Smorrebrod'", "'Long text of the first sample'", "N'Unicode text of the first sample'",
     "0x474946383961", "0x0102030405060708", "0xDEADBEEF",
     "'6F9619FF-8B86-D011-B42D-00C04FC964FF'", "'(206) 555-0100'"],
    ["NULL"] * 24,
    ["0", "0", "32767", "-2147483648", "-9223372036854775808", "-0.01", "0.0000", "-922337203685477.5808",
     "214748.3647", "-1E+100", "0", "'17530101'", "'19000101'", "''", "''", "N''", "N''", "''", "N''",
     "0x", "0x0000000000000000", "0x00", "'00000000-0000-0000-0000-000000000000'", "''"],
]


# ----------------------------------------------------------------------------
# Definitions (programmable objects), stored as typed
# ----------------------------------------------------------------------------
VIEWS = {
    "CurrentProducts": """CREATE VIEW CurrentProducts
AS
SELECT ProductID, ProductName, UnitPrice
FROM Products
WHERE Discontinued = 0""",
    "CustomersByCountry": """CREATE VIEW CustomersByCountry
AS
SELECT Country, COUNT(*) AS CustomerCount
FROM Customers
GROUP BY Country""",
    "EmployeeManagers": """CREATE VIEW EmployeeManagers
AS
SELECT e.EmployeeID, e.LastName, e.FirstName, m.LastName AS ManagerName
FROM Employees e
LEFT JOIN Employees m ON m.EmployeeID = e.ReportsTo""",
    "OrderSummary": """CREATE VIEW OrderSummary
AS
SELECT o.OrderID, c.CompanyName, o.OrderDate, o.Freight,
\tSUM(d.UnitPrice * d.Quantity) AS Subtotal
FROM Orders o
INNER JOIN Customers c ON c.CustomerID = o.CustomerID
INNER JOIN [Order Details] d ON d.OrderID = o.OrderID
GROUP BY o.OrderID, c.CompanyName, o.OrderDate, o.Freight""",
    "ProductCatalog": """CREATE VIEW ProductCatalog
AS
SELECT c.CategoryName, p.ProductName, p.QuantityPerUnit, p.UnitPrice
FROM Products p
INNER JOIN Categories c ON c.CategoryID = p.CategoryID""",
}

def long_procedure():
    """A procedure longer than one 4,000-character piece of stored text, with the word
    Straddle cut by the piece boundary (characters 3996 to 4003) and the word Monthly
    in both pieces."""
    head = "CREATE PROCEDURE MonthlyShipmentReport\r\n\t@Year int = 1997\r\nAS\r\n"
    text = head
    note = 1
    while True:
        line = f"-- Note {note:02d}: this report counts the shipments of each shipper per month.\r\n"
        if len(text) + len(line) > 3960:
            break
        text += line
        note += 1
    # Pad so that "Straddle" starts at index 3996 of the stored text.
    prefix = "-- Boundary "
    filler = 3996 - len(text) - len(prefix)
    text += prefix + "." * filler + "Straddle marker line.\r\n"
    text += "-- Monthly totals follow in the second stored piece.\r\n"
    text += ("SELECT MONTH(o.ShippedDate) AS ShipMonth, s.CompanyName, COUNT(*) AS Shipments\r\n"
             "FROM Orders o\r\n"
             "INNER JOIN Shippers s ON s.ShipperID = o.ShipVia\r\n"
             "WHERE YEAR(o.ShippedDate) = @Year\r\n"
             "GROUP BY MONTH(o.ShippedDate), s.CompanyName\r\n"
             "ORDER BY ShipMonth, s.CompanyName")
    assert text.index("Straddle") == 3996 and 4000 < len(text) < 8000
    assert "Monthly" in text[:4000] and "Monthly" in text[4000:] and "ShipMonth" not in text[:4000]
    return text


PROCEDURES = {
    "AddOrder": """CREATE PROCEDURE AddOrder
\t@CustomerID nchar(5),
\t@EmployeeID int,
\t@OrderDate datetime,
\t@ShipVia int = 1,
\t@Freight money = 0,
\t@OrderID int OUTPUT
AS
INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, ShipVia, Freight)
VALUES (@CustomerID, @EmployeeID, @OrderDate, @ShipVia, @Freight)
SELECT @OrderID = @@IDENTITY""",
    "CustomerOrderCount": """CREATE PROCEDURE CustomerOrderCount
\t@CustomerID nchar(5),
\t@OrderCount int OUTPUT
AS
SELECT @OrderCount = COUNT(*) FROM Orders WHERE CustomerID = @CustomerID""",
    "EmployeeLabel": """CREATE PROCEDURE EmployeeLabel
\t@EmployeeID int,
\t@Label varchar(60) OUTPUT,
\t@FullName nvarchar(40) OUTPUT,
\t@HiredOn datetime OUTPUT
AS
SELECT @FullName = FirstName + N' ' + LastName,
\t@Label = CONVERT(varchar(60), ISNULL(Title, 'No title')),
\t@HiredOn = HireDate
FROM Employees
WHERE EmployeeID = @EmployeeID""",
    "FindCustomers": """CREATE PROCEDURE FindCustomers
\t@Name nvarchar(40),
\t@Country varchar(15) = NULL
AS
SELECT CustomerID, CompanyName, ContactName, Country
FROM Customers
WHERE CompanyName LIKE @Name + N'%'
\tAND (@Country IS NULL OR Country = @Country)
ORDER BY CompanyName""",
    "ListCategories": """CREATE PROCEDURE ListCategories
AS
SELECT CategoryID, CategoryName
FROM Categories
ORDER BY CategoryName""",
    "OrderTotals": """CREATE PROCEDURE OrderTotals
\t@OrderID int,
\t@Total money OUTPUT,
\t@AverageDiscount decimal(5, 4) OUTPUT,
\t@Weight numeric(9, 3) OUTPUT
AS
SELECT @Total = SUM(UnitPrice * Quantity * (1 - Discount)),
\t@AverageDiscount = AVG(Discount),
\t@Weight = SUM(Quantity) * 0.5
FROM [Order Details]
WHERE OrderID = @OrderID""",
    "ProductsByPrice": """CREATE PROCEDURE ProductsByPrice
\t@MinPrice money = 10,
\t@MaxPrice money = 100,
\t@Found int OUTPUT
AS
SELECT ProductID, ProductName, UnitPrice
FROM Products
WHERE UnitPrice BETWEEN @MinPrice AND @MaxPrice
ORDER BY UnitPrice DESC
SELECT @Found = @@ROWCOUNT""",
    "SalesByYear": """CREATE PROCEDURE SalesByYear
\t@BeginDate datetime,
\t@EndDate datetime = '19981231'
AS
SELECT YEAR(o.ShippedDate) AS SalesYear, SUM(d.UnitPrice * d.Quantity) AS Sales
FROM Orders o
INNER JOIN [Order Details] d ON d.OrderID = o.OrderID
WHERE o.ShippedDate BETWEEN @BeginDate AND @EndDate
GROUP BY YEAR(o.ShippedDate)""",
    "MonthlyShipmentReport": long_procedure(),
    "UpdateDiscount": """CREATE PROCEDURE UpdateDiscount
\t@OrderID int,
\t@ProductID int,
\t@Discount decimal(4, 2),
\t@Factor numeric(10, 4) = 1.0
AS
UPDATE [Order Details]
SET Discount = @Discount * @Factor
WHERE OrderID = @OrderID AND ProductID = @ProductID""",
}

FUNCTIONS = {
    "fnCustomerOrders": """CREATE FUNCTION fnCustomerOrders (@CustomerID nchar(5))
RETURNS TABLE
AS
RETURN (SELECT o.OrderID, o.OrderDate, c.CompanyName
\tFROM Orders o
\tINNER JOIN Customers c ON c.CustomerID = o.CustomerID
\tWHERE o.CustomerID = @CustomerID)""",
    "fnFullName": """CREATE FUNCTION fnFullName (@FirstName nvarchar(10), @LastName nvarchar(20))
RETURNS nvarchar(32)
AS
BEGIN
\tRETURN @FirstName + N' ' + @LastName
END""",
    "fnOrderTotal": """CREATE FUNCTION fnOrderTotal (@OrderID int)
RETURNS money
AS
BEGIN
\tDECLARE @Total money
\tSELECT @Total = SUM(UnitPrice * Quantity * (1 - Discount))
\tFROM [Order Details]
\tWHERE OrderID = @OrderID
\tRETURN @Total
END""",
    "fnReportingChain": """CREATE FUNCTION fnReportingChain (@EmployeeID int)
RETURNS @Chain TABLE (EmployeeID int NOT NULL, LastName nvarchar(20) NOT NULL, Depth int NOT NULL)
AS
BEGIN
\tINSERT INTO @Chain (EmployeeID, LastName, Depth)
\tSELECT EmployeeID, LastName, 0 FROM Employees WHERE EmployeeID = @EmployeeID
\tINSERT INTO @Chain (EmployeeID, LastName, Depth)
\tSELECT m.EmployeeID, m.LastName, 1
\tFROM Employees e
\tINNER JOIN Employees m ON m.EmployeeID = e.ReportsTo
\tWHERE e.EmployeeID = @EmployeeID
\tRETURN
END""",
}

TRIGGERS = {
    "trOrdersAudit": """CREATE TRIGGER trOrdersAudit ON Orders
FOR INSERT, UPDATE
AS
INSERT INTO AuditLog (TableName, ActionCode, Note)
SELECT 'Orders', 'I', 'Order ' + CONVERT(varchar(12), OrderID)
FROM inserted""",
    "trProductsPrice": """CREATE TRIGGER trProductsPrice ON Products
FOR UPDATE
AS
IF UPDATE(UnitPrice)
\tINSERT INTO AuditLog (TableName, ActionCode, Note)
\tSELECT 'Products', 'U', 'Price of ' + ProductName + ' changed'
\tFROM inserted""",
    "trOrderDetailsDelete": """CREATE TRIGGER trOrderDetailsDelete ON [Order Details]
FOR DELETE
AS
INSERT INTO AuditLog (TableName, ActionCode, Note)
SELECT 'Order Details', 'D', 'Line removed from order ' + CONVERT(varchar(12), OrderID)
FROM deleted""",
}


def harbor_tables(archive):
    """CREATE TABLE batches; archive=True gives the archive's deliberate differences."""
    t = []
    t.append("""CREATE TABLE Categories (
\tCategoryID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Categories PRIMARY KEY,
\tCategoryName nvarchar(15) NOT NULL,
\tDescription ntext NULL,
\tPicture image NULL
)""")
    t.append("""CREATE TABLE Suppliers (
\tSupplierID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Suppliers PRIMARY KEY,
\tCompanyName nvarchar(40) NOT NULL,
\tContactName nvarchar(30) NULL,
\tCity nvarchar(15) NULL,
\tCountry nvarchar(15) NULL,
\tPhone nvarchar(24) NULL
)""")
    if archive:
        t.append("CREATE DEFAULT dfZero AS 0")
    computed = "(UnitPrice * (UnitsInStock + UnitsOnOrder))" if archive else "(UnitPrice * UnitsInStock)"
    reorder = "ReorderLevel smallint NULL" if archive else \
        "ReorderLevel smallint NULL CONSTRAINT DF_Products_ReorderLevel DEFAULT (0)"
    t.append(f"""CREATE TABLE Products (
\tProductID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Products PRIMARY KEY,
\tProductName nvarchar(40) NOT NULL,
\tSupplierID int NULL CONSTRAINT FK_Products_Suppliers REFERENCES Suppliers (SupplierID),
\tCategoryID int NULL CONSTRAINT FK_Products_Categories REFERENCES Categories (CategoryID),
\tQuantityPerUnit varchar({40 if archive else 20}) NULL,
\tUnitPrice money NULL CONSTRAINT DF_Products_UnitPrice DEFAULT (0),
\tUnitsInStock smallint NULL CONSTRAINT DF_Products_UnitsInStock DEFAULT (0),
\tUnitsOnOrder smallint NULL CONSTRAINT DF_Products_UnitsOnOrder DEFAULT (0),
\t{reorder},
\tDiscontinued bit NOT NULL CONSTRAINT DF_Products_Discontinued DEFAULT (0),
\tInventoryValue AS {computed},
\tCONSTRAINT CK_Products_UnitPrice CHECK ([UnitPrice] >= 0)
)""")
    if archive:
        t.append("EXEC sp_bindefault 'dfZero', 'Products.ReorderLevel'")
    fax = "" if archive else ",\n\tFax nvarchar(24) NULL"
    t.append(f"""CREATE TABLE Customers (
\tCustomerID nchar(5) NOT NULL CONSTRAINT PK_Customers PRIMARY KEY,
\tCompanyName nvarchar(40) NOT NULL,
\tContactName nvarchar(30) NULL,
\tAddress nvarchar(60) NULL,
\tCity nvarchar(15) NULL,
\tRegion nvarchar(15) NULL,
\tPostalCode nvarchar(10) NULL,
\tCountry nvarchar(15) NULL,
\tPhone nvarchar(24) NULL{fax}
)""")
    title = "Title nvarchar(30) NOT NULL" if archive else "Title nvarchar(30) NULL"
    t.append(f"""CREATE TABLE Employees (
\tEmployeeID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_Employees PRIMARY KEY,
\tLastName nvarchar(20) NOT NULL,
\tFirstName nvarchar(10) NOT NULL,
\t{title},
\tReportsTo int NULL CONSTRAINT FK_Employees_Employees REFERENCES Employees (EmployeeID),
\tHireDate datetime NULL,
\tBirthDate smalldatetime NULL,
\tHomePhone nvarchar(24) NULL,
\tExtension varchar(4) NULL,
\tPhoto image NULL,
\tNotes ntext NULL,
\tCONSTRAINT CK_Employees_BirthDate CHECK ([BirthDate] < [HireDate])
)""")
    shipper_id = "ShipperID int NOT NULL" if archive else "ShipperID int IDENTITY (1, 1) NOT NULL"
    t.append(f"""CREATE TABLE Shippers (
\t{shipper_id} CONSTRAINT PK_Shippers PRIMARY KEY,
\tCompanyName nvarchar(40) NOT NULL,
\tPhone nvarchar(24) NULL
)""")
    t.append("""CREATE TABLE Orders (
\tOrderID int IDENTITY (10248, 1) NOT NULL CONSTRAINT PK_Orders PRIMARY KEY,
\tCustomerID nchar(5) NULL CONSTRAINT FK_Orders_Customers REFERENCES Customers (CustomerID),
\tEmployeeID int NULL CONSTRAINT FK_Orders_Employees REFERENCES Employees (EmployeeID),
\tOrderDate datetime NULL CONSTRAINT DF_Orders_OrderDate DEFAULT (getdate()),
\tRequiredDate datetime NULL,
\tShippedDate datetime NULL,
\tShipVia int NULL CONSTRAINT FK_Orders_Shippers REFERENCES Shippers (ShipperID),
\tFreight money NULL CONSTRAINT DF_Orders_Freight DEFAULT (0),
\tShipName nvarchar(40) NULL,
\tShipCountry nvarchar(15) NULL
)""")
    t.append("""CREATE TABLE [Order Details] (
\tOrderID int NOT NULL CONSTRAINT FK_Order_Details_Orders REFERENCES Orders (OrderID),
\tProductID int NOT NULL CONSTRAINT FK_Order_Details_Products REFERENCES Products (ProductID),
\tUnitPrice money NOT NULL CONSTRAINT DF_Order_Details_UnitPrice DEFAULT (0),
\tQuantity smallint NOT NULL CONSTRAINT DF_Order_Details_Quantity DEFAULT (1) CHECK ([Quantity] > 0),
\tDiscount real NOT NULL CONSTRAINT DF_Order_Details_Discount DEFAULT (0),
\tCONSTRAINT PK_Order_Details PRIMARY KEY (OrderID, ProductID),
\tCONSTRAINT CK_Discount CHECK ([Discount] >= 0 and [Discount] <= 1)
)""")
    t.append("""CREATE TABLE Region (
\tRegionID int NOT NULL CONSTRAINT PK_Region PRIMARY KEY,
\tRegionDescription nchar(50) NOT NULL
)""")
    t.append("""CREATE TABLE Territories (
\tTerritoryID nvarchar(20) NOT NULL CONSTRAINT PK_Territories PRIMARY KEY,
\tTerritoryDescription nchar(50) NOT NULL,
\tRegionID int NOT NULL CONSTRAINT FK_Territories_Region REFERENCES Region (RegionID)
)""")
    t.append("""CREATE TABLE EmployeeTerritories (
\tEmployeeID int NOT NULL CONSTRAINT FK_EmployeeTerritories_Employees REFERENCES Employees (EmployeeID),
\tTerritoryID nvarchar(20) NOT NULL CONSTRAINT FK_EmployeeTerritories_Territories REFERENCES Territories (TerritoryID),
\tCONSTRAINT PK_EmployeeTerritories PRIMARY KEY (EmployeeID, TerritoryID)
)""")
    if not archive:
        t.append("""CREATE TABLE AuditLog (
\tLogTime datetime NOT NULL CONSTRAINT DF_AuditLog_LogTime DEFAULT (getdate()),
\tTableName varchar(50) NOT NULL,
\tActionCode char(1) NOT NULL,
\tNote varchar(200) NULL
)""")
    t.append("EXEC sp_addtype PhoneNumber, 'varchar(24)', 'NULL'")
    t.append("""CREATE TABLE TypeSamples (
\tSampleID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_TypeSamples PRIMARY KEY,
\tBitValue bit NULL,
\tTinyValue tinyint NULL,
\tSmallValue smallint NULL,
\tIntValue int NULL,
\tBigValue bigint NULL,
\tDecimalValue decimal(10, 2) NULL,
\tNumericValue numeric(18, 4) NULL,
\tMoneyValue money NULL,
\tSmallMoneyValue smallmoney NULL,
\tFloatValue float NULL,
\tRealValue real NULL,
\tDateTimeValue datetime NULL,
\tSmallDateValue smalldatetime NULL,
\tCharValue char(10) NULL,
\tVarCharValue varchar(50) NULL,
\tNCharValue nchar(10) NULL,
\tNVarCharValue nvarchar(50) NULL,
\tTextValue text NULL,
\tNTextValue ntext NULL,
\tImageValue image NULL,
\tBinaryValue binary(8) NULL,
\tVarBinaryValue varbinary(16) NULL,
\tGuidValue uniqueidentifier NULL CONSTRAINT DF_TypeSamples_GuidValue DEFAULT (newid()),
\tStamp timestamp NOT NULL,
\tPhone PhoneNumber NULL,
\tIntPlusSmall AS (IntValue + SmallValue)
)""")
    if archive:
        t.append("""CREATE TABLE OrderHistory (
\tHistoryID int IDENTITY (1, 1) NOT NULL CONSTRAINT PK_OrderHistory PRIMARY KEY,
\tOrderID int NOT NULL,
\tArchivedOn datetime NOT NULL CONSTRAINT DF_OrderHistory_ArchivedOn DEFAULT (getdate()),
\tStatusText varchar(30) NULL
)""")
    return t


def data_rows(archive):
    """(table, columns, rows) in load order; the archive keeps a smaller copy."""
    out = []
    out.append(("Categories", ["CategoryName", "Description", "Picture"],
                [[n(c), n(d), p or "NULL"] for c, d, p in CATEGORIES]))
    out.append(("Suppliers", ["CompanyName", "ContactName", "City", "Country", "Phone"],
                [[n(a), n(b), n(c), n(d), n(e)] for a, b, c, d, e in SUPPLIERS]))
    cols = ["ProductName", "SupplierID", "CategoryID", "QuantityPerUnit", "UnitPrice", "UnitsInStock",
            "UnitsOnOrder", "ReorderLevel", "Discontinued"]
    out.append(("Products", cols,
                [[n(p["name"]), num(p["supplier"]), num(p["category"]), q(p["qpu"]), num(p["price"]),
                  num(p["stock"]), num(p["onorder"]), num(p["reorder"]), num(p["discontinued"])]
                 for p in PRODUCTS]))
    customers = CUSTOMERS[:20] if archive else CUSTOMERS
    cols = ["CustomerID", "CompanyName", "ContactName", "Address", "City", "Region", "PostalCode",
            "Country", "Phone"] + ([] if archive else ["Fax"])
    out.append(("Customers", cols,
                [[n(c["id"]), n(c["company"]), n(c["contact"]), n(c["address"]), n(c["city"]),
                  n(c["region"]), n(c["postal"]), n(c["country"]), n(c["phone"])] +
                 ([] if archive else [n(c["fax"])]) for c in customers]))
    out.append(("Employees", ["LastName", "FirstName", "Title", "ReportsTo", "HireDate", "BirthDate",
                              "HomePhone", "Extension", "Photo", "Notes"],
                [[n(e[0]), n(e[1]), n(e[2] if e[2] or not archive else "Inside Sales Coordinator"),
                  num(e[3]), q(e[4]), q(e[5]), n(e[6]), q(e[7]),
                  "0x0A0B0C" if i == 0 else "NULL",
                  n(f"{e[1]} {e[0]} joined Harbor in {e[4][:4]}.") if i % 2 == 0 else "NULL"]
                 for i, e in enumerate(EMPLOYEES)]))
    if archive:
        out.append(("Shippers", ["ShipperID", "CompanyName", "Phone"],
                    [[str(i), n(a), n(b)] for i, (a, b) in enumerate(SHIPPERS, start=1)]))
    else:
        out.append(("Shippers", ["CompanyName", "Phone"], [[n(a), n(b)] for a, b in SHIPPERS]))
    ids = {c["id"] for c in customers}
    orders = [o for o in ORDERS if o["customer"] in ids] if archive else ORDERS
    if archive:
        # The archive keeps its own identity sequence: only these orders, renumbered from 10248.
        orders = [dict(o) for o in orders]
    cols = ["CustomerID", "EmployeeID", "OrderDate", "RequiredDate", "ShippedDate", "ShipVia", "Freight",
            "ShipName", "ShipCountry"]
    out.append(("Orders", cols,
                [[n(o["customer"]), num(o["employee"]), q(o["date"]), q(o["required"]), q(o["shipped"]),
                  num(o["shipvia"]), o["freight"], n(o["shipname"]), n(o["shipcountry"])] for o in orders]))
    renumber = {o["id"]: 10248 + i for i, o in enumerate(orders)}
    details = [d for d in ORDER_DETAILS if d["order"] in renumber]
    out.append(("[Order Details]", ["OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"],
                [[num(renumber[d["order"]]), num(d["product"]), num(d["price"]), num(d["qty"]), d["discount"]]
                 for d in details]))
    out.append(("Region", ["RegionID", "RegionDescription"], [[num(a), n(b)] for a, b in REGIONS]))
    out.append(("Territories", ["TerritoryID", "TerritoryDescription", "RegionID"],
                [[n(a), n(b), num(c)] for a, b, c in TERRITORIES]))
    out.append(("EmployeeTerritories", ["EmployeeID", "TerritoryID"],
                [[num(a), n(b)] for a, b in EMPLOYEE_TERRITORIES]))
    if not archive:
        out.append(("AuditLog", ["TableName", "ActionCode", "Note"], [[q(a), q(b), q(c)] for a, b, c in AUDIT_LOG]))
    out.append(("TypeSamples", TYPE_SAMPLE_COLUMNS, TYPE_SAMPLES))
    if archive:
        out.append(("OrderHistory", ["OrderID", "ArchivedOn", "StatusText"],
                    [[num(renumber[o["id"]]), q(add_days(o["date"], 400)),
                      q("Closed" if o["shipped"] else "Cancelled")] for o in orders]))
    return out


def build(database, archive):
    s = Script(database)
    for table in harbor_tables(archive):
        s.batch(table)
    counts = {}
    for table, columns, rows in data_rows(archive):
        s.inserts(table, columns, rows)
        counts[table.strip("[]")] = len(rows)
    if not archive:
        for group in (VIEWS, FUNCTIONS, PROCEDURES, TRIGGERS):
            for _, text in group.items():
                s.batch(text)
    return s, counts


if __name__ == "__main__":
    for file, database, archive in (("01_harbor.sql", "Harbor", False),
                                    ("02_harbor_archive.sql", "HarborArchive", True)):
        script, counts = build(database, archive)
        size = script.write(file)
        print(f"{file}: {size} bytes")
        for table, count in sorted(counts.items(), key=lambda kv: kv[0].lower()):
            print(f"  {table}: {count}")
